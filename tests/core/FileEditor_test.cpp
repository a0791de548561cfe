// The file editor engine on its own: an editor kind that reports a missing file and reloads every chosen
// file (the way monitor files behave), and the setting kinds that the disposition editors do not all use.
#include "core/FileEditor.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/password.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::WriteFile;

FileEditorSetup ReportingSetup() {
    FileEditorSetup setup;
    setup.formName = "frmSampleMonitor";
    setup.caption = "Sample Monitor";
    setup.root = "SampleMonitor";
    setup.fileLabel = "Label1";
    setup.fileLabelCaption = "Configuration File name:";
    setup.dialogTitle = "Choose the sample config file you wish to open (or create)";
    setup.pattern = "*.sample.xml";
    setup.filter = "Sample config files(*.sample.xml)|*.sample.xml|All xml files(*.xml)|*.xml";
    setup.startFolder = StartFolder::ProgramConfig;
    setup.missingFile = FileEditorSetup::MissingFile::Report;
    setup.reloadAfterChoosing = FileEditorSetup::ReloadAfterChoosing::Always;
    return setup;
}

// A server and its port, a password, two folders (one that must exist), and an account.
class KindsEditor : public FileEditorForm {
  public:
    explicit KindsEditor(Services& services) : FileEditorForm(services, ReportingSetup()) {
        for (const char* box : {"txtServer", "txtPort", "txtPassword", "txtRules", "txtCharts", "txtDomain",
                                "txtUser", "txtAlias", "txtPool"}) {
            AddControl(box, ControlKind::TextBox);
        }
        TextSetting("Server", "txtServer", "localhost");
        Check([this] { return Text("txtServer").empty(); }, "Server is missing");
        NumberSetting("Port", "txtPort", "25", {"Port is missing", "Port must be a number"});
        PasswordSetting("Password", "txtPassword");
        FolderSetting("RulesDirectory", "txtRules", "", "The rules directory must exist");
        FolderSetting("ChartsDirectory", "txtCharts", "./output/charts");
        AccountSetting("User", {"txtDomain", "txtUser", "txtAlias"}, "Your Domain\\Your User\\Your Alias");
        NumberSetting(
            "PoolSize", "txtPool", "1",
            {"Pool Size is missing", "Pool Size must be a number", 1, "Pool Size must be at least 1"});
    }
};

struct Monitor {
    test::TempDir dir;
    test::ScriptedServices s{dir / "program"};
    std::string parameter;
    std::string monitorFile = dir / "cfg/monitor.xml";
    bool changed = false;
    FileReference record{&parameter, &monitorFile, &changed};

    Monitor() {
        WriteFile(monitorFile, "<Monitors/>");
        std::filesystem::create_directories(dir / "program/config");
    }
};

TEST(FileEditorEngine, AReportingKindSaysAFileIsMissingAndReloadsEveryChosenFile) {
    Monitor m;
    m.parameter = "+/alerts.sample.xml";
    const std::string file = m.dir / "cfg/alerts.sample.xml";
    WriteFile(file, "<SampleMonitor/>");
    KindsEditor form(m.s.services);
    form.OpenOn(m.record);
    // The same file chosen again reloads it, dropping the edits once the user said so (an entry without a
    // file, and a new file chosen for it: the monitor editors' test, on this engine).
    form.UserSetText("txtServer", "edited");
    m.s.dialogs.AnswerFile(file);
    m.s.prompts.ExpectYesNoCancel(kSaveChangesQuestion, Answer::No);
    form.UserClick("cmdBrowseConfig");
    EXPECT_EQ(m.s.dialogs.requests.back().fileName, "alerts.sample.xml");
    EXPECT_EQ(form.Text("txtServer"), "localhost");
    EXPECT_FALSE(m.changed);

    // A file that has gone is said to be missing; the controls keep what they show.
    form.UserSetText("txtServer", "kept");
    std::filesystem::remove(file);
    m.s.prompts.ExpectMessage("Couldn't load file, it doesn't exist: " + file);
    EXPECT_EQ(form.LoadFile(), FileProblem::Missing);
    EXPECT_EQ(form.Text("txtServer"), "kept");
    EXPECT_TRUE(form.changed());
    // Saved, it is made anew where it was, and "+" is still its folder, not a folder below its own name.
    std::filesystem::create_directories(m.dir / "cfg/rules");
    form.UserSetText("txtRules", "+/rules");
    m.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_NE(ReadFile(file).find("<RulesDirectory>+/rules</RulesDirectory>"), std::string::npos);
}

// With the review turned on, a save shows the file as it is and as it would be: Cancel writes nothing and
// keeps the edits; a change another program makes while the difference is shown is still asked about.
TEST(FileEditorEngine, AReviewedSaveShowsBothTextsAndTheDiskIsLookedAtAfterTheReview) {
    Monitor m;
    m.parameter = "+/alerts.sample.xml";
    const std::string file = m.dir / "cfg/alerts.sample.xml";
    const std::string original = CrLf({"<SampleMonitor>", "\t<Server>s</Server>", "</SampleMonitor>", ""});
    WriteFile(file, original);
    SetReviewBeforeSaving(m.s.settings, true);
    KindsEditor form(m.s.services);
    form.OpenOn(m.record);
    form.UserSetText("txtServer", "mail");
    std::filesystem::create_directories(m.dir / "cfg/rules");
    form.UserSetText("txtRules", "+/rules");
    const std::string saved = CrLf({"<SampleMonitor>", "\t<Server>mail</Server>", "\t<Port>25</Port>",
                                    "\t<Password>" + ScramblePassword("", m.s.prompts) + "</Password>",
                                    "\t<RulesDirectory>+/rules</RulesDirectory>",
                                    "\t<ChartsDirectory>./output/charts</ChartsDirectory>",
                                    "\t<User>Your Domain\\Your User\\Your Alias</User>",
                                    "\t<PoolSize>1</PoolSize>", "</SampleMonitor>", ""});
    m.s.review.Expect(file, false, [&](const PendingWrite& write) {
        EXPECT_EQ(std::make_tuple(write.before, write.after),
                  std::make_tuple(std::optional(original), saved));
    });
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(std::make_tuple(ReadFile(file), form.changed(), form.Text("txtServer")),
              std::make_tuple(original, true, std::string("mail")));

    const std::string meanwhile =
        CrLf({"<SampleMonitor>", "\t<Server>other</Server>", "</SampleMonitor>", ""});
    m.s.review.Expect(file, true, [&](const PendingWrite&) { WriteFile(file, meanwhile); });
    m.s.prompts.ExpectYesNoCancelStartingWith("The file " + file + " has been changed by another program",
                                              Answer::Cancel);
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), meanwhile);
}

TEST(FileEditorEngine, PasswordFolderAccountAndNumberSettingsRoundTripAndTheirChecksRunInFileOrder) {
    Monitor m;
    const std::string scrambled = ScramblePassword("s3cret word", m.s.prompts);
    std::filesystem::create_directories(m.dir / "cfg/rules");
    std::filesystem::create_directories(m.dir / "program/output/charts");
    m.parameter = "+/kinds.sample.xml";
    const std::string file = m.dir / "cfg/kinds.sample.xml";
    WriteFile(file, "<SampleMonitor><Password>" + scrambled +
                        "</Password><RulesDirectory>+/rules</RulesDirectory><User>CORP\\jsmith</User>"
                        "</SampleMonitor>");
    KindsEditor form(m.s.services);
    form.OpenOn(m.record);
    EXPECT_EQ(form.Text("txtPassword"), "s3cret word");
    EXPECT_TRUE(form.control("txtPassword").password);
    EXPECT_EQ(form.Text("txtRules"), "+/rules");
    EXPECT_EQ(form.Text("txtCharts"), "./output/charts");
    // Two pieces are the user and the alias.
    EXPECT_EQ(form.Text("txtDomain") + "|" + form.Text("txtUser") + "|" + form.Text("txtAlias"),
              "|CORP|jsmith");

    // A folder typed as a full path below the file's folder is stored with "+"; a domain without an alias
    // stores the user as the alias.
    form.UserSetText("txtRules", m.dir / "cfg/rules");
    form.UserSetText("txtDomain", "CORP");
    form.UserSetText("txtUser", "jsmith");
    form.UserSetText("txtAlias", "");
    m.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(
        ReadFile(file),
        CrLf({"<SampleMonitor>", "\t<Server>localhost</Server>", "\t<Port>25</Port>",
              "\t<Password>" + scrambled + "</Password>", "\t<RulesDirectory>+/rules</RulesDirectory>",
              "\t<ChartsDirectory>./output/charts</ChartsDirectory>", "\t<User>CORP\\jsmith\\jsmith</User>",
              "\t<PoolSize>1</PoolSize>", "</SampleMonitor>", ""}));
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtAlias"), "jsmith");

    // An empty account element shows empty boxes, not what they held before; it is written back empty.
    WriteFile(file, "<SampleMonitor><User></User><RulesDirectory>+/rules</RulesDirectory></SampleMonitor>");
    form.UserClick("cmdReload");
    EXPECT_EQ(form.Text("txtDomain") + form.Text("txtUser") + form.Text("txtAlias"), "");
    // A password the scrambling cannot take is stored in clear after saying so.
    form.UserSetText("txtPassword", "tab\there");
    m.s.prompts
        .ExpectMessage("Password contains out-of-bounds character, it will not be encrypted.  Character=#9")
        .ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    const std::string written = ReadFile(file);
    EXPECT_NE(written.find("\t<Password>tab\there</Password>\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("\t<User></User>\r\n"), std::string::npos) << written;

    // The number and folder checks stop the save in file order, writing nothing.
    form.UserSetText("txtRules", "+/gone");
    form.UserSetText("txtPassword", "");
    // A value with blanks at its ends is refused: the file would give it back without them.
    const auto blanks = [&](const std::string& element, const std::string& value,
                            const std::string& trimmed) {
        return "The " + element + " value \"" + value + "\" begins or ends with a blank, which the file " +
               file + " does not keep: it would read back as \"" + trimmed + "\". Remove the blank.";
    };
    struct Step {
        const char *box, *text;
        std::string message;
    };
    for (const Step& step :
         {Step{"txtPort", "", "Port is missing"}, Step{"txtPort", "2 5", "Port must be a number"},
          Step{"txtPort", " 25 ", blanks("Port", " 25 ", "25")},
          Step{"txtPort", "25", "The rules directory must exist"},
          Step{"txtRules", "", "The rules directory must exist"},
          Step{"txtRules", "+/rules ", blanks("RulesDirectory", "+/rules ", "+/rules")},
          Step{"txtRules", "+/rules", "Pool Size must be at least 1"},
          Step{"txtPool", "0.99", "Pool Size must be at least 1"},
          Step{"txtPool", "-", "Pool Size must be a number"}, Step{"txtPool", "", "Pool Size is missing"}}) {
        form.UserSetText(step.box, step.text);
        form.UserSetText("txtPool", std::string(step.box) == "txtPool" ? step.text : "0");
        m.s.prompts.ExpectMessage(step.message);
        EXPECT_FALSE(form.SaveFile()) << step.message;
        EXPECT_EQ(ReadFile(file), written);
    }
    // Numbers are written as typed, but for blanks at their ends.
    form.UserSetText("txtPool", " 1.5");
    m.s.prompts.ExpectMessage(blanks("PoolSize", " 1.5", "1.5"));
    EXPECT_FALSE(form.SaveFile());
    form.UserSetText("txtPool", "1.50");
    m.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_NE(ReadFile(file).find("\t<Port>25</Port>\r\n\t<Password>"), std::string::npos);
    EXPECT_NE(ReadFile(file).find("\t<PoolSize>1.50</PoolSize>\r\n"), std::string::npos);
}

}  // namespace
}  // namespace pv
