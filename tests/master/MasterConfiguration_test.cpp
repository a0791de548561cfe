#include "master/MasterConfiguration.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/paths.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::ScriptedPrompts;
using test::WriteFile;

struct MasterFixture : ::testing::Test {
    test::TempDir temp;
    std::string program = temp / "program";
    std::string master = program + "/config/master.xml";
    PathContext paths{program};
    ScriptedPrompts prompts;
    MasterConfiguration config;  // MasterFilePath keeps its default, ".\config\master.xml"

    MasterConfiguration::LoadResult LoadText(const std::string& text) {
        WriteFile(master, text);
        return config.Load(paths, prompts);
    }
    std::string Written() {
        return config.WriteText(paths.MakeAbsolutePath(config.MasterFilePath), paths, prompts);
    }
};

TEST_F(MasterFixture, MissingFileChangesNothing) {
    config.MonitorConfigFile = "+/kept.xml";
    prompts.ExpectMessage("Couldn't load file, it doesn't exist");
    const auto result = config.Load(paths, prompts);
    EXPECT_EQ(result.outcome, MasterConfiguration::LoadOutcome::Missing);
    EXPECT_EQ(config.MonitorConfigFile, "+/kept.xml");
    EXPECT_FALSE(fs::exists(master));
}

TEST_F(MasterFixture, OnePassIsFalseOnlyForZeroOrNothing) {
    const std::pair<const char*, bool> cases[] = {
        {"<ResponseHandler/>", false},
        {"<ResponseHandler><OnePass>0</OnePass></ResponseHandler>", false},
        {"<ResponseHandler><OnePass> 0 </OnePass></ResponseHandler>", false},
        {"<ResponseHandler><OnePass/></ResponseHandler>", true},
        {"<ResponseHandler><OnePass>false</OnePass></ResponseHandler>", true},
        {"<ResponseHandler><OnePass>1</OnePass></ResponseHandler>", true},
    };
    for (const auto& [text, expected] : cases) {
        config.OnePass = !expected;
        EXPECT_EQ(LoadText(text).outcome, MasterConfiguration::LoadOutcome::Complete);
        EXPECT_EQ(config.OnePass, expected) << text;
    }
}

TEST_F(MasterFixture, DefaultMasterPathKeepsItsFilesBesideIt) {
    // ".\config\master.xml" reaches the writer as "<program>/./config/master.xml".
    LoadText("<ResponseHandler><MonitorConfigFile>" + program +
             "/config/monitor.xml</MonitorConfigFile></ResponseHandler>");
    const std::string text = Written();
    EXPECT_NE(text.find("\t<MonitorConfigFile>+/monitor.xml</MonitorConfigFile>\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\t<DispositionTypesFile>+/dispositionTypes.xml</DispositionTypesFile>\r\n"),
              std::string::npos);
}

TEST_F(MasterFixture, MalformedFileIsReportedOnceAndReadAsDefaults) {
    config.OnePass = true;
    config.Mailboxes.Add(std::make_shared<CMailbox>(), "stale");
    prompts.ExpectMessage(
        "The file " + program +
        "/./config/master.xml is not well-formed XML (line 1, column 42: Start-end tags mismatch). "
        "It was read as empty, so default values are shown.");
    const auto result = LoadText("<ResponseHandler><MonitorConfigFile>+/m</Monitor></ResponseHandler>");
    EXPECT_EQ(result.outcome, MasterConfiguration::LoadOutcome::Complete);
    EXPECT_FALSE(result.wellFormed);
    EXPECT_EQ(config.MonitorConfigFile, "+/monitor.xml");
    EXPECT_FALSE(config.OnePass);
    EXPECT_TRUE(config.Mailboxes.empty());
}

TEST_F(MasterFixture, AnErrorStopsTheReadingWhereItHappened) {
    config.OnePass = false;
    prompts.ExpectMessage("Unexpected error in LoadFile=457:A mailbox named \"B\" is already in the list");
    const auto result = LoadText(
        "<ResponseHandler><OnePass>1</OnePass><Mailboxes>"
        "<Mailbox><Name>A</Name></Mailbox><Mailbox><Name>B</Name></Mailbox><Mailbox><Name>B</Name></Mailbox>"
        "<Mailbox><Name>C</Name></Mailbox></Mailboxes></ResponseHandler>");
    EXPECT_EQ(result.outcome, MasterConfiguration::LoadOutcome::Stopped);
    EXPECT_TRUE(config.OnePass);
    EXPECT_EQ(config.Mailboxes.Keys(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(MasterFixture, WritingClearsEveryMailboxChangedMark) {
    LoadText(
        "<ResponseHandler><Mailboxes><Mailbox><Name>A</Name></Mailbox>"
        "<Mailbox><Name>B</Name></Mailbox></Mailboxes></ResponseHandler>");
    for (CMailbox* mailbox : config.Mailboxes.Records()) mailbox->Changed = true;
    Written();
    for (CMailbox* mailbox : config.Mailboxes.Records()) EXPECT_FALSE(mailbox->Changed) << mailbox->sName;
}

TEST_F(MasterFixture, SaveWritesTheFileAndSaysSo) {
    LoadText("<ResponseHandler/>");
    prompts.ExpectMessage("Saved");
    EXPECT_TRUE(config.Save(paths.MakeAbsolutePath(config.MasterFilePath), paths, prompts));
    EXPECT_EQ(ReadFile(master), Written() + "\r\n");
}

TEST_F(MasterFixture, SaveToAMissingFolderReportsAndWritesNothing) {
    config.MasterFilePath = temp / "absent/master.xml";
    auto mailbox = std::make_shared<CMailbox>();
    mailbox->Changed = true;
    CMailbox& added = config.Mailboxes.Add(mailbox, "A");
    prompts.ExpectMessage("Error saving=76:Path not found: the folder " + temp / "absent" +
                          " does not exist");
    EXPECT_FALSE(config.Save(config.MasterFilePath, paths, prompts));
    EXPECT_FALSE(fs::exists(temp / "absent"));
    // The text was built before the write failed, so the mark is already gone.
    EXPECT_FALSE(added.Changed);
}

TEST_F(MasterFixture, SkeletonIsTheDocumentedEightLinesAndLoadsAsDefaults) {
    fs::create_directories(program + "/config");
    MasterConfiguration::CreateSkeleton(program + "/config/new.xml");
    EXPECT_EQ(
        ReadFile(program + "/config/new.xml"),
        CrLf({"<ResponseHandler>",
              "\t<DispositionTypesFile>+/customDispositionTypes.xml</DispositionTypesFile>",
              "\t<DispositionTypesFile>+/systemDispositionTypes.xml</DispositionTypesFile>",
              "\t<CategoryDefinitionsFile>+/customCategoryDefinitions.xml</CategoryDefinitionsFile>",
              "\t<CategoryDefinitionsFile>+/systemCategoryDefinitions.xml</CategoryDefinitionsFile>",
              "\t<MessageFieldsFile>+/customMessageFields.xml</MessageFieldsFile>",
              "\t<MessageFieldsFile>+/systemMessageFields.xml</MessageFieldsFile>", "</ResponseHandler>"}));
    config.MasterFilePath = program + "/config/new.xml";
    config.OnePass = true;
    EXPECT_EQ(config.Load(paths, prompts).outcome, MasterConfiguration::LoadOutcome::Complete);
    EXPECT_EQ(config.MonitorConfigFile, "+/monitor.xml");
    EXPECT_EQ(config.DispositionTypesFile2, "+/systemDispositionTypes.xml");
    EXPECT_EQ(config.MessageFieldsFile1, "+/customMessageFields.xml");
    EXPECT_FALSE(config.OnePass);
    EXPECT_TRUE(config.Mailboxes.empty());
}

}  // namespace
}  // namespace pv
