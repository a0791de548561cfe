#include "master/MasterConfiguration.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "core/paths.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;
using test::WriteFile;

// A master file at the default place, ".\config\master.xml" below the program directory. What resave makes of
// whole files is in the golden cases (MasterConfigurationGolden_test.cpp); these are what they cannot show.
struct MasterFile : ::testing::Test {
    test::TempDir temp;
    std::string program = temp / "program";
    std::string master = program + "/config/master.xml";
    PathContext paths{program};
    test::ScriptedPrompts prompts;
    MasterConfiguration config;

    FileRead LoadText(const std::string& text) {
        WriteFile(master, text);
        return config.Load(paths, prompts);
    }
    // The save asks `question`, is answered No, and leaves the file holding `text`.
    void ExpectSaveRefused(const std::string& question, const std::string& text) {
        prompts.ExpectYesNo(question, Answer::No);
        EXPECT_EQ(RunSave(config.Saving(master, paths, prompts), prompts), SaveOutcome::NotWritten);
        EXPECT_EQ(ReadFile(master), text);
    }
};

// A file of another kind reads as empty (the main window's tests show it); a missing file or a folder changes
// nothing that the model held, and a save into a missing folder creates none.
TEST_F(MasterFile, AMissingFileOrFolderChangesNothing) {
    config.MonitorConfigFile = "+/kept.xml";
    prompts.ExpectMessage("Couldn't load file, it doesn't exist");
    EXPECT_EQ(config.Load(paths, prompts).problem, FileProblem::Missing);
    EXPECT_EQ(config.MonitorConfigFile, "+/kept.xml");

    fs::create_directories(master);
    prompts.ExpectMessage("Unexpected error in LoadFile=75:Cannot read " + master + ": it is a folder");
    EXPECT_EQ(config.Load(paths, prompts).problem, FileProblem::NotAFile);
    EXPECT_EQ(config.MonitorConfigFile, "+/kept.xml");

    // A save into a folder that is not there reports it and creates nothing.
    config.MasterFilePath = temp / "absent/master.xml";
    prompts.ExpectMessage("Error saving=76:Path not found: the folder " + temp / "absent" +
                          " does not exist");
    EXPECT_EQ(RunSave(config.Saving(config.MasterFilePath, paths, prompts), prompts),
              SaveOutcome::NotWritten);
    EXPECT_FALSE(fs::exists(temp / "absent"));
}

TEST_F(MasterFile, AFileThatIsNotWellFormedDropsWhatAnEarlierLoadHeld) {
    config.OnePass = true;
    config.Mailboxes.Add(std::make_shared<CMailbox>(), "stale");
    prompts.ExpectMessageStartingWith("The file " + program + "/config/master.xml is not well-formed XML");
    EXPECT_EQ(LoadText("<ResponseHandler><OnePass>1</OnePass><Mailboxes>").problem, FileProblem::Malformed);
    EXPECT_FALSE(config.OnePass);
    EXPECT_TRUE(config.Mailboxes.empty());

    // A window may say these while another master is shown: they name the file. A flag other than "0" and
    // "1" is written as one of them, a number with a fraction rounded.
    const std::string path = program + "/config/master.xml";
    prompts.ExpectMessage("Unrecognized OnePass=yes, shown and saved as 1 (in the file " + path + ")");
    prompts.ExpectMessage("These numbers of mailboxes in the file " + path +
                          " are not whole numbers: they are shown, and saved, rounded: Mailbox \"a\": "
                          "Threads=2.5 (written as 2)");
    prompts.ExpectMessage("These flags of mailboxes in the file " + path +
                          " are neither 0 nor 1: they are shown, and saved, as 1 or 0: Mailbox \"a\": "
                          "ExpungeWorkaround=2 (written as 1), Mailbox \"a\": CloseImmediatelyIfEmpty=-0 "
                          "(written as 0)");
    prompts.ExpectMessage(
        "Unexpected error in LoadFile=457:A mailbox named \"a\" is already in the list (in "
        "the file " +
        path + ")");
    LoadText(
        "<ResponseHandler><OnePass>yes</OnePass><Mailboxes><Mailbox><Name>a</Name><Threads>2.5</Threads>"
        "<ExpungeWorkaround>2</ExpungeWorkaround><CloseImmediatelyIfEmpty>-0</CloseImmediatelyIfEmpty></Mailbox>"
        "<Mailbox><Name>a</Name></Mailbox></Mailboxes></ResponseHandler>");
    EXPECT_EQ(config.Mailboxes.size(), 1u);

    // A mailbox without a Name is named by its place, not by the name it is given.
    prompts.ExpectMessage(
        "Unexpected error in LoadFile=13:Type mismatch: the Threads of mailbox 2 (no Name) "
        "\"x\" is not a number (in the file " +
        path + ")");
    LoadText(
        "<ResponseHandler><Mailboxes><Mailbox><Name>a</Name></Mailbox><Mailbox><Threads>x</Threads>"
        "</Mailbox></Mailboxes></ResponseHandler>");
    prompts.ExpectMessage(
        "Unexpected error in LoadFile=457:Mailbox 2 has no Name, and a mailbox named \"Your "
        "Mailbox Name\", the name it is given, is already in the list (in the file " +
        path + ")");
    LoadText("<ResponseHandler><Mailboxes><Mailbox/><Mailbox/></Mailboxes></ResponseHandler>");
    prompts.ExpectMessage(
        "Unexpected error in LoadFile=457:A mailbox named \"Your Mailbox Name\" is already in "
        "the list: mailbox 1, which has no Name and is given that name (in the file " +
        path + ")");
    LoadText(
        "<ResponseHandler><Mailboxes><Mailbox/><Mailbox><Name>Your Mailbox Name</Name></Mailbox>"
        "</Mailboxes></ResponseHandler>");

    // A file's name holding a line break, which its box in the main window shows as a blank.
    prompts.ExpectMessage(
        "The file " + path +
        " holds the MessageFieldsFile \"+/system&#10;x.xml\", which holds a line break: its box "
        "shows a blank for each line break. Saved, edited or not, the value keeps its line "
        "breaks until those blanks are deleted.");
    LoadText("<ResponseHandler><MessageFieldsFile>+/system&#10;x.xml</MessageFieldsFile></ResponseHandler>");
}

// Thousands of mailboxes, each with an element of its own: the load still reads in one pass and the notice
// names each path once, with its count, cut short after ten.
TEST_F(MasterFile, WhatASaveWouldLeaveOutIsSaidOnceInOneNoticeAlsoForThousandsOfMailboxes) {
    constexpr int kMailboxes = 20000;
    std::string text = "<ResponseHandler>";
    for (int i = 0; i < 12; ++i) text += "<Old" + std::to_string(i) + "/>";
    text += "<Mailboxes>";
    for (int i = 0; i < kMailboxes; ++i) {
        text += "<Mailbox><Name>box" + std::to_string(i) + "</Name><Note a='1'>x</Note></Mailbox>";
    }
    text += "</Mailboxes><?app x?></ResponseHandler>";
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(LoadText(text).problem, FileProblem::None);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(config.Mailboxes.size(), static_cast<size_t>(kMailboxes));
    EXPECT_LT(took, std::chrono::seconds(10)) << "the load is not linear";
    ExpectSaveRefused(
        "The file " + program +
            "/config/master.xml holds what this window does not keep, and a save would leave it out: "
            "the elements ResponseHandler/Old0, ResponseHandler/Old1, ResponseHandler/Old2, "
            "ResponseHandler/Old3, ResponseHandler/Old4, ResponseHandler/Old5, ResponseHandler/Old6, "
            "ResponseHandler/Old7, ResponseHandler/Old8, ResponseHandler/Old9 and 3 more and a "
            "processing instruction at line 1. The mailboxes that hold an element left out: \"box0\", \"box1\", "
            "\"box2\", \"box3\", \"box4\", \"box5\", \"box6\", \"box7\", \"box8\", \"box9\" and 19990 more. "
            "Do you want to save anyway?",
        text);

    // An attribute is named as one, with the mailbox that holds it.
    const std::string attributed =
        "<ResponseHandler><Mailboxes><Mailbox id=\"1\"><Name>a</Name></Mailbox></Mailboxes></ResponseHandler>";
    LoadText(attributed);
    ExpectSaveRefused(
        "The file " + program +
            "/config/master.xml holds what this window does not keep, and a save would leave it "
            "out: the attribute ResponseHandler/Mailboxes/Mailbox/@id. The mailbox that holds an "
            "attribute left out: \"a\". Do you want to save anyway?",
        attributed);
}

TEST_F(MasterFile, OnePassZeroReadsAsFalseAndTheDefaultPlaceKeepsItsNeighboursAsPlusNames) {
    for (const char* zero : {"0", " 0 "}) {
        config.OnePass = true;
        LoadText(std::string("<ResponseHandler><OnePass>") + zero + "</OnePass><MonitorConfigFile>" +
                 program + "/config/monitor.xml</MonitorConfigFile></ResponseHandler>");
        EXPECT_FALSE(config.OnePass) << '"' << zero << '"';
    }
    // The default master path "./config/master.xml" reaches the writer as "<program>/config/master.xml".
    const std::string text = config.WriteText(paths.MakeAbsolutePath(config.MasterFilePath), paths, prompts);
    EXPECT_NE(text.find("\t<MonitorConfigFile>+/monitor.xml</MonitorConfigFile>\r\n"), std::string::npos)
        << text;
}

// Made only where no file is: a file another program made while the user was asked is never replaced.
TEST_F(MasterFile, TheSkeletonIsEightLinesWithASingleFinalLineEndAndReplacesNoFile) {
    fs::create_directories(program + "/config");
    test::WriteFile(master, "<ResponseHandler><Mailboxes/></ResponseHandler>");
    EXPECT_THROW(MasterConfiguration::CreateSkeleton(master), AppError);
    EXPECT_EQ(ReadFile(master), "<ResponseHandler><Mailboxes/></ResponseHandler>");
    fs::remove(master);
    MasterConfiguration::CreateSkeleton(master);
    EXPECT_EQ(
        ReadFile(master),
        test::CrLf({"<ResponseHandler>",
                    "\t<DispositionTypesFile>+/customDispositionTypes.xml</DispositionTypesFile>",
                    "\t<DispositionTypesFile>+/systemDispositionTypes.xml</DispositionTypesFile>",
                    "\t<CategoryDefinitionsFile>+/customCategoryDefinitions.xml</CategoryDefinitionsFile>",
                    "\t<CategoryDefinitionsFile>+/systemCategoryDefinitions.xml</CategoryDefinitionsFile>",
                    "\t<MessageFieldsFile>+/customMessageFields.xml</MessageFieldsFile>",
                    "\t<MessageFieldsFile>+/systemMessageFields.xml</MessageFieldsFile>",
                    "</ResponseHandler>"}));
}

}  // namespace
}  // namespace pv
