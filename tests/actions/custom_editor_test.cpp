#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "actions/DetailedEditorKit.h"
#include "dispositions/FrmCustom.h"

namespace pv {
namespace {

using test::DetailedEditorKit;
using test::ReadFile;

// Sets environment variables (nullopt: unsets them) for one test, and puts them back after.
class Environment {
  public:
    explicit Environment(const std::vector<std::pair<std::string, std::optional<std::string>>>& values) {
        for (const auto& [name, value] : values) {
            const char* before = std::getenv(name.c_str());
            saved_.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
            Set(name, value);
        }
    }
    ~Environment() {
        for (const auto& [name, value] : saved_) Set(name, value);
    }

  private:
    static void Set(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(CustomDispositionEditor, AChosenFileGoesToTheRecordAndOpensInTheTextEditorATypedNameOnlyThroughSave) {
    DetailedEditorKit kit("Archive");
    // Blanks and double quotes in the name reach the text editor as one argument, unchanged.
    const std::string folder = kit.dir / "dispose/odd \"names\" here";
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/my \"archive\" rules.customdisposition.xml";
    kit.s.dialogs.AnswerFile(file);
    FrmCustom form(kit.s.services);
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");
    EXPECT_EQ(kit.record.DetailedDispositionFile,
              "+/dispose/odd \"names\" here/my \"archive\" rules.customdisposition.xml");
    EXPECT_TRUE(kit.record.Changed);

    // The user's $VISUAL with its options; when it cannot start, the desktop's opener; then what was tried.
    const std::string bin = kit.dir / "bin";
    for (const char* program : {"/my-editor", "/xdg-open"}) {
        test::WriteFile(bin + program, "#!/bin/sh\n");
        std::filesystem::permissions(bin + program, std::filesystem::perms::owner_all);
    }
    const Environment environment(
        {{"VISUAL", bin + "/my-editor --wait"}, {"EDITOR", std::nullopt}, {"PATH", bin}});
    form.UserClick("cmdOpenWithNotepad");
    kit.s.launcher.results = {false, true};
    form.UserClick("cmdOpenWithNotepad");
    kit.s.launcher.result = false;
    kit.s.prompts.ExpectMessage("No text editor could be started for " + file + ". Tried: $VISUAL (" + bin +
                                "/my-editor) could not be started, $EDITOR (not set), xdg-open could not be "
                                "started, the usual desktop text editors (none installed).");
    form.UserClick("cmdOpenWithNotepad");
    std::vector<std::string> launches;
    for (const auto& launch : kit.s.launcher.launches) {
        EXPECT_EQ(launch.workingDirectory, folder);
        std::string line = launch.program;
        for (const std::string& argument : launch.arguments) line += " | " + argument;
        launches.push_back(line);
    }
    EXPECT_EQ(launches,
              (std::vector<std::string>{bin + "/my-editor | --wait | " + file,
                                        bin + "/my-editor | --wait | " + file, bin + "/xdg-open | " + file,
                                        bin + "/my-editor | --wait | " + file, bin + "/xdg-open | " + file}));
    form.UserPressEscape();  // no question: the chosen file is in the record already
    EXPECT_TRUE(form.IsClosed());

    // A name typed into the box reaches the record only through Save: Escape asks first, "Exit without
    // saving" does not, and a name typed back to the record's is no change.
    kit.Place("a.customdisposition.xml", "<Disposition><X>1</X></Disposition>");
    kit.record.Changed = false;
    form.Reopen();
    form.OpenOn(DetailedFileOf(kit.record));
    form.UserSetText("txtFileName", "+/dispose/b.customdisposition.xml");
    kit.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::Cancel);
    form.UserPressEscape();
    EXPECT_FALSE(form.IsClosed());
    form.UserSetText("txtFileName", "+/dispose/a.customdisposition.xml");
    form.UserPressEscape();
    EXPECT_TRUE(form.IsClosed());
    form.Reopen();
    form.UserSetText("txtFileName", "+/dispose/b.customdisposition.xml");
    form.UserClick("cmdExit");
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/a.customdisposition.xml");

    // A file chosen with "..." is the record's at once, as another editor reloads on it: undo cannot take
    // the box back to a name the record no longer holds, nor leave an edit for Escape to ask about.
    form.Reopen();
    form.OpenOn(DetailedFileOf(kit.record));
    kit.s.dialogs.AnswerFile(kit.dir / "dispose/c.customdisposition.xml");
    form.UserClick("cmdBrowseConfig");
    if (form.CanUndo()) form.UserUndo();
    EXPECT_EQ(std::make_tuple(form.Text("txtFileName"), kit.record.DetailedDispositionFile, form.changed()),
              std::make_tuple(std::string("+/dispose/c.customdisposition.xml"),
                              std::string("+/dispose/c.customdisposition.xml"), false));
    form.UserPressEscape();
    EXPECT_TRUE(form.IsClosed());
    kit.record.DetailedDispositionFile = "+/dispose/a.customdisposition.xml";

    form.Reopen();
    form.OpenOn(DetailedFileOf(kit.record));
    // A name with a blank at an end would come back from the disposition file as another file's.
    form.UserSetText("txtFileName", "+/dispose/b.customdisposition.xml ");
    kit.s.prompts.ExpectMessage(
        "The detailed disposition file name \"+/dispose/b.customdisposition.xml \" begins or ends with a blank, "
        "which the disposition configuration file does not keep: it would read back as "
        "\"+/dispose/b.customdisposition.xml\". Remove the blank.");
    form.UserClick("cmdSave");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/a.customdisposition.xml");
    form.UserSetText("txtFileName", "+/dispose/b.customdisposition.xml");
    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/b.customdisposition.xml");
    EXPECT_TRUE(kit.record.Changed);
    // Only the name changed: the file itself is never written here.
    EXPECT_EQ(ReadFile(kit.Dispose("a.customdisposition.xml")), "<Disposition><X>1</X></Disposition>");
    EXPECT_FALSE(std::filesystem::exists(kit.Dispose("b.customdisposition.xml")));

    // A name in a folder that is not there: that is said, not that no text editor could be started.
    form.UserSetText("txtFileName", "+/nodir/x.customdisposition.xml");
    const size_t launched = kit.s.launcher.launches.size();
    kit.s.prompts.ExpectMessage("The folder " + (kit.dir / "nodir") + " does not exist, so " +
                                (kit.dir / "nodir/x.customdisposition.xml") +
                                " cannot be opened in a text editor.");
    form.UserClick("cmdOpenWithNotepad");
    EXPECT_EQ(kit.s.launcher.launches.size(), launched);
}

}  // namespace
}  // namespace pv
