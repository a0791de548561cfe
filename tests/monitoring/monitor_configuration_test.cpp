#include <gtest/gtest.h>

#include "monitoring/MonitorConfiguration.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::TestData;
using test::WriteFile;

struct Folder {
    test::TempDir dir;
    test::ScriptedPrompts prompts;
    MonitorConfiguration configuration;

    std::string file() const { return dir / "cfg.monitor.xml"; }
    FileProblem Load(const std::string& bytes) {
        WriteFile(file(), bytes);
        return configuration.Load(file(), prompts);
    }
    bool Save() { return RunSave(configuration.Saving(prompts), prompts) == SaveOutcome::Written; }
    std::string Written() {
        prompts.ExpectMessage("Saved");
        EXPECT_TRUE(Save());
        return ReadFile(file());
    }
};

std::string Jmx(const std::string& inside) {
    return "<Monitors><JMX>" + inside + "</JMX></Monitors>";
}

std::string Adaptor(const std::string& className, const std::string& parameter) {
    return "<Adaptor><ClassName>" + className + "</ClassName><Parameter>" + parameter +
           "</Parameter></Adaptor>";
}

// (A file with every element set, loaded and saved back byte for byte: MonitorWindow, loading.)
TEST(MonitorConfigurationFile, SparseFilesTakeDefaultsAndEmptyElementsStayEmpty) {
    Folder f;
    ASSERT_EQ(f.Load(ReadFile(TestData("monitoring/configuration/sparse.input.monitor.xml"))),
              FileProblem::None);
    EXPECT_FALSE(f.configuration.HadJmx());
    EXPECT_EQ(f.Written(), ReadFile(TestData("monitoring/configuration/sparse.expected.monitor.xml")));

    // The skeleton a new file gets reads as no monitors and JMX off.
    ASSERT_EQ(f.Load(MonitorConfiguration::SkeletonText()), FileProblem::None);
    EXPECT_TRUE(f.configuration.Entries.empty());
    EXPECT_FALSE(f.configuration.Jmx.Enabled);

    // An adaptor port that is there but empty stays empty (JMX off, so it is not checked).
    ASSERT_EQ(f.Load(Jmx("<JMXEnabled>0</JMXEnabled>" + Adaptor(kHtmlAdaptorClass, ""))), FileProblem::None);
    EXPECT_EQ(f.configuration.Jmx.HtmlAdaptorPort, "");
    EXPECT_NE(f.Written().find("\t\t\t<Parameter></Parameter>\r\n"), std::string::npos);

    // A line break in an entry's class or parameter, which the list and the entry's editor show as a blank,
    // is said as the file loads, and kept.
    const auto broken = [&](const std::string& element, const std::string& value) {
        return "The file " + f.file() + " holds the " + element + " \"" + value +
               "\" of Monitor entry 1, which holds a line break: its box shows a blank for each line break. "
               "Saved, edited or not, the value keeps its line breaks until those blanks are deleted.";
    };
    f.prompts.ExpectMessage(broken("ClassName", "a.&#10;B")).ExpectMessage(broken("Parameter", "x&#8232;y"));
    ASSERT_EQ(f.Load("<Monitors><Monitor><ClassName>a.&#10;B</ClassName><Parameter>x&#x2028;y</Parameter>"
                     "</Monitor></Monitors>"),
              FileProblem::None);
    EXPECT_NE(f.Written().find("<ClassName>a.\nB</ClassName>"), std::string::npos);
    f.prompts.ExpectMessage(
        "The file " + f.file() +
        " holds the Html Adaptor Port \"80&#8232;82\", which holds a line break: its box "
        "shows a blank for each line break. Saved, edited or not, the value keeps its line "
        "breaks until those blanks are deleted.");
    ASSERT_EQ(f.Load(Jmx("<JMXEnabled>0</JMXEnabled>" + Adaptor(kHtmlAdaptorClass, "80&#x2028;82"))),
              FileProblem::None);
}

TEST(MonitorConfigurationFile, JmxFlagsAreOnUnlessZeroAndOnlyTheLastHtmlAdaptorCounts) {
    Folder f;
    // A flag other than "0" and "1" shows as on and is said as the file loads (the window is not open yet);
    // the tool refuses to write it as "1". The other adaptors are not kept, nor the first HTML adaptor, which
    // gave way to the last: the save asks first, counting all three.
    for (const char* flag : {"JMXEnabled=", "ManageWithJMX=yes"})
        f.prompts.ExpectMessage("Unrecognized " + std::string(flag) + ", shown and saved as 1 (in the file " +
                                f.file() + ")");
    ASSERT_EQ(f.Load(Jmx("<JMXEnabled></JMXEnabled><ManageWithJMX>yes</ManageWithJMX>"
                         "<MonitorWithJMX>0</MonitorWithJMX>" +
                         Adaptor(kHtmlAdaptorClass, "1001") + Adaptor("org.example.Other", "7") +
                         Adaptor(kHtmlAdaptorClass, "1002") + Adaptor("org.example.Other", "8"))),
              FileProblem::None);
    const JmxSettings& jmx = f.configuration.Jmx;
    EXPECT_TRUE(jmx.Enabled);  // present but empty
    EXPECT_TRUE(jmx.ManageWithJMX);
    EXPECT_FALSE(jmx.MonitorWithJMX);
    EXPECT_FALSE(jmx.ManageLoggerWithJMX);  // missing
    EXPECT_EQ(jmx.HtmlAdaptorPort, "1002");
    EXPECT_EQ(f.configuration.Saving(f.prompts).losses.front().reason,
              "The file " + f.file() +
                  " holds values a save would write otherwise: JMXEnabled= (written as 1), ManageWithJMX=yes "
                  "(written as 1).");
    f.prompts.ExpectYesNo(
        "The file " + f.file() +
            " holds what this window does not keep, and a save would leave it out: the element "
            "Monitors/JMX/Adaptor (3 times). Do you want to save anyway?",
        Answer::Yes);
    const std::string written = f.Written();
    EXPECT_EQ(written.find("org.example.Other"), std::string::npos);
    EXPECT_EQ(written.find("<Adaptor>"), written.rfind("<Adaptor>"));  // exactly one

    // An HTML adaptor without a parameter gives the usual port; no JMX element leaves JMX off.
    ASSERT_EQ(f.Load(Jmx("<JMXEnabled>1</JMXEnabled><Adaptor><ClassName>" + std::string(kHtmlAdaptorClass) +
                         "</ClassName></Adaptor>")),
              FileProblem::None);
    EXPECT_EQ(f.configuration.Jmx.HtmlAdaptorPort, "8082");
    ASSERT_EQ(f.Load("<Monitors/>"), FileProblem::None);
    EXPECT_FALSE(f.configuration.HadJmx() || f.configuration.Jmx.Enabled);
}

TEST(MonitorConfigurationFile, ThePortIsCheckedOnlyWhileJmxIsOn) {
    Folder f;
    ASSERT_EQ(f.Load("<Monitors/>"), FileProblem::None);
    const std::string before = ReadFile(f.file());
    f.configuration.Jmx.HtmlAdaptorPort = "eighty";
    EXPECT_NE(f.Written().find("<Parameter>eighty</Parameter>"), std::string::npos);

    WriteFile(f.file(), before);
    f.configuration.Jmx.Enabled = true;
    f.configuration.Jmx.HtmlAdaptorPort = " \t ";
    f.prompts.ExpectMessage("Html Adaptor Port is required if JMX is enabled");
    EXPECT_FALSE(f.Save());
    f.configuration.Jmx.HtmlAdaptorPort = "80a";
    f.prompts.ExpectMessage("Html Adaptor Port must be a number");
    EXPECT_FALSE(f.Save());
    // Blanks around it, which the file would not give back, whether JMX is on or off.
    f.configuration.Jmx.HtmlAdaptorPort = " 8080 ";
    f.prompts.ExpectMessage("The Html Adaptor Port \" 8080 \" begins or ends with a blank, which the file " +
                            f.file() + " does not keep: it would read back as \"8080\". Remove the blank.");
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(ReadFile(f.file()), before);
}

TEST(MonitorConfigurationFile, EntriesWithoutAClassAreReportedAndDroppedOnlyWhenTheUserAgrees) {
    Folder f;
    const std::string original =
        "<Monitors><Monitor><Parameter>lost</Parameter></Monitor><Monitor><ClassName>a.B</ClassName></"
        "Monitor>"
        "<Monitor><ClassName> </ClassName></Monitor></Monitors>";
    for (const char* entry : {"1", "3"}) {
        const std::string where = std::string(" (Monitor entry ") + entry + " of the file " + f.file() + ")";
        f.prompts.ExpectMessage("Missing ClassName in monitor config" + where)
            .ExpectMessage("Error loading monitor item, skipping." + where);
    }
    ASSERT_EQ(f.Load(original), FileProblem::None);
    EXPECT_EQ(f.configuration.SkippedEntries(), 2u);
    ASSERT_EQ(f.configuration.Entries.size(), 1u);
    EXPECT_FALSE(f.configuration.ReadCompletely());

    const std::string question =
        "The file " + f.file() +
        " holds 2 monitor entries without a class name, which the list leaves out; saving "
        "drops them from the file. Do you want to save anyway?";
    f.prompts.ExpectYesNo(question, Answer::No);
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(ReadFile(f.file()), original);
    f.prompts.ExpectYesNo(question, Answer::Yes);
    EXPECT_EQ(f.Written().find("lost"), std::string::npos);
    // Once written, nothing is left to lose, nor to write again.
    EXPECT_TRUE(f.configuration.ReadCompletely());
    f.prompts.ExpectSavedUnchanged(f.file());
    EXPECT_TRUE(f.Save());
}

TEST(MonitorConfigurationFile, AFileNotReadAsMonitorsIsReportedAndReplacedOnlyWhenTheUserAgrees) {
    Folder f;
    const std::string damaged = "<Monitors><Monitor><ClassName>a.B</ClassName></Monitor><Monitor>";
    WriteFile(f.file(), damaged);
    f.prompts.ExpectMessage(MalformedMessage(OpenConfigFile(f.file(), "", f.prompts)).text);
    EXPECT_EQ(f.configuration.Load(f.file(), f.prompts), FileProblem::Malformed);
    EXPECT_TRUE(f.configuration.Entries.empty());
    const std::string question =
        "The file " + f.file() +
        " could not be read as a monitor configuration file, so this window does not "
        "show what it holds. Do you want to replace its content with what this window "
        "shows?";
    f.prompts.ExpectYesNo(question, Answer::No);
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(ReadFile(f.file()), damaged);

    const std::string other = "<ResponseHandler><MonitorConfigFile>x</MonitorConfigFile></ResponseHandler>";
    f.prompts.ExpectMessage(
        "The file " + f.file() +
        " is not a monitor configuration file: its root element is <ResponseHandler>, not "
        "<Monitors>. The list starts empty.");
    EXPECT_EQ(f.Load(other), FileProblem::OtherKind);
    f.prompts.ExpectYesNo(question, Answer::No);
    EXPECT_FALSE(f.Save());
    EXPECT_EQ(ReadFile(f.file()), other);
    f.prompts.ExpectYesNo(question, Answer::Yes);
    EXPECT_EQ(f.Written().rfind("<Monitors>", 0), 0u);
}

}  // namespace
}  // namespace pv
