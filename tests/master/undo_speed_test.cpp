#include <gtest/gtest.h>

#include <iostream>

#include "master/FrmMain.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"
#include "support/Timing.h"

namespace pv {
namespace {

using test::ReadFile;
using test::ScriptedServices;
using test::TempDir;
using test::TestData;
using test::WriteFile;

using test::Seconds;

constexpr double kStepLimitSeconds = test::kSanitizedBuild ? 1e9 : 0.25;

// A master of 10,000 mailboxes, each the first mailbox of the scenario file under its own name.
std::string TenThousandMailboxes() {
    const std::string scenario = ReadFile(TestData("frmmain/scenario/master.xml"));
    const size_t begin = scenario.find("\t\t<Mailbox>");
    const size_t end = scenario.find("\t\t</Mailbox>", begin) + std::string("\t\t</Mailbox>\r\n").size();
    const std::string mailbox = scenario.substr(begin, end - begin);
    const size_t name = mailbox.find("sales");
    std::string text = scenario.substr(0, begin);
    for (int i = 0; i < 10000; ++i) {
        std::string one = mailbox;
        one.replace(name, 5, "box" + std::to_string(i));
        text += one;
    }
    return text + scenario.substr(scenario.find("\t</Mailboxes>"));
}

// An undo step keeps what its action changed, never the list: undoing a check box or a deleted mailbox in a
// window of 10,000 mailboxes takes no longer than showing the list once.
TEST(MainWindowSpeed, UndoAndRedoInTenThousandMailboxesKeepOnlyWhatChanged) {
    TempDir temp;
    WriteFile(temp / "master.xml", TenThousandMailboxes());
    ScriptedServices s(temp.path());
    FrmMain main(s.services);
    main.Open(temp / "master.xml", temp.path());
    ASSERT_EQ(main.Items("lstMailboxes").size(), 10000u);
    main.UserClick("cmdMoreLess");

    const double click = Seconds([&] { main.UserClick("chkOnePass"); });
    const double undoClick = Seconds([&] { main.UserUndo(); });
    EXPECT_FALSE(main.changed());

    main.UserSelect("lstMailboxes", {5000});
    s.prompts
        .ExpectYesNo(
            "Are you sure you want to remove the selected mailboxes? Undo (Ctrl+Z) puts them "
            "back.\n\nMailbox to remove: \"box5000\"",
            Answer::Yes, "Confirm Delete")
        .ExpectMessage("Saved");
    const double remove = Seconds([&] { main.UserClick("cmdDeleteMailbox"); });
    const double undoRemove = Seconds([&] { main.UserUndo(); });
    EXPECT_EQ(main.Items("lstMailboxes").at(5000), "box5000");
    EXPECT_EQ(main.Selection("lstMailboxes"), std::vector<int>{5000});
    EXPECT_TRUE(main.changed());
    const double redoRemove = Seconds([&] { main.UserRedo(); });
    EXPECT_EQ(main.Items("lstMailboxes").at(5000), "box5001");
    EXPECT_FALSE(main.changed());

    std::cout << "[ measured ] 10,000 mailboxes: check box " << click * 1000 << " ms, its undo "
              << undoClick * 1000 << " ms; delete (with the save) " << remove * 1000 << " ms, its undo "
              << undoRemove * 1000 << " ms, its redo " << redoRemove * 1000 << " ms\n";
    EXPECT_LT(undoClick, kStepLimitSeconds);
    EXPECT_LT(undoRemove, kStepLimitSeconds);
    EXPECT_LT(redoRemove, kStepLimitSeconds);
}

}  // namespace
}  // namespace pv
