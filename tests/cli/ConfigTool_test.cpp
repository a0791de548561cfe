#include "cli/ConfigTool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>

#include "cli/InstallationSample.h"
#include "core/errors.h"
#include "core/platform.h"
#include "editors/Editors.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;
using test::Said;
using test::TestData;
using test::ToolRun;
using test::WriteFile;

// `text` with every "D/" the folder `folder` and a "/": a DOT text written once for any temporary folder.
std::string InFolder(std::string text, const std::string& folder) {
    for (size_t at = text.find("D/"); at != std::string::npos; at = text.find("D/", at + folder.size()))
        text.replace(at, 1, folder);
    return text;
}

// The current directory is the temporary folder, so relative names are taken from there and a write shows.
struct ConfigTool : ::testing::Test {
    test::TempDir temp;
    std::string cfg = temp / "cfg";
    std::string rootOnly = ReadFile(TestData("master/root-only/master.xml"));

    ToolRun Run(const std::vector<std::string>& args, const std::string& input = "") {
        return test::RunToolIn(temp / "program", temp.path(), args, input);
    }
    // The real executable, started in cfg through a shell, with stdout and stderr captured in files.
    ToolRun RunBinary(const std::string& arguments, const std::string& prefix = "",
                      const std::string& output = "", const std::string& input = "</dev/null") {
        const std::string command = "cd '" + cfg + "' && " + prefix + "'" + POSTVANE_TOOL + "' " + arguments +
                                    " >'" + (output.empty() ? temp / "out" : output) + "' 2>'" +
                                    temp / "err" + "' " + input;
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(temp / "out"), ReadFile(temp / "err")};
    }
};

TEST_F(ConfigTool, ScrambleAndUnscrambleOneLine) {
    EXPECT_EQ(Run({"scramble"}, "s3cret\r\nsecond line\n").out, "7qhw3pzkqj1G)Z\n");
    EXPECT_EQ(Run({"scramble"}).out, "7qhw3pzk\n");
    EXPECT_EQ(Run({"unscramble"}, "7qhw3pzkqj1G)Z\n").out, "s3cret\n");
    EXPECT_EQ(Run({"unscramble"}, "kept in clear").out, "kept in clear\n");
    // Scrambling writes &, < and >, which a file's text holds as references: the value is what the commands
    // take and give, and a line that looks copied from the text is said to be one.
    EXPECT_EQ(Run({"scramble"}, "Correct?\n").out, "7qhw3pzk&_GG)1Z<\n");
    const ToolRun copied = Run({"unscramble"}, "7qhw3pzk&amp;_GG)1Z&lt;\n");
    EXPECT_EQ(std::tie(copied.status, copied.err),
              std::make_tuple(0, Said("the line holds \"&amp;\", a reference a file's text holds for a "
                                      "character: unscramble takes the Password element's value, as an XML "
                                      "reader gives it, so a line copied from the file's text gives another "
                                      "password")));
    // A window stores such a password in clear after the message; asked for the stored form, the tool
    // prints nothing a script could take for it.
    const ToolRun accented = Run({"scramble"}, "caf\xC3\xA9\n");
    EXPECT_EQ(std::tie(accented.status, accented.out, accented.err),
              std::make_tuple(1, "",
                              Said("Password contains out-of-bounds character, it will not be encrypted.  "
                                   "Character=#233")));
    // One that would be read back as another password is refused, with the reason.
    const std::string warning = "Password contains out-of-bounds character, it will not be encrypted.  ";
    EXPECT_EQ(
        Run({"scramble"}, "\tabc\n"),
        (ToolRun{1, "",
                 Said(warning + "Character=#9\n" +
                      "The password holds a character that cannot be scrambled (#9), and begins or ends "
                      "with a blank, a tab or a line break: stored as it is, it would be read back without "
                      "it, as another password. Change "
                      "the password.")}));
    // Standard input that cannot be read is no empty password: a script would store that.
    fs::create_directories(cfg);
    for (const std::string command : {"scramble", "unscramble"}) {
        EXPECT_EQ(RunBinary(command, "", "", "<."),
                  (ToolRun{1, "", Said("cannot read standard input: Is a directory")}));
        EXPECT_EQ(RunBinary(command, "", "", "<&-"),
                  (ToolRun{1, "", Said("cannot read standard input: Bad file descriptor")}));
    }
}

TEST_F(ConfigTool, ScrambleOnATerminalPromptsOnStandardErrorAndDoesNotShowWhatIsTyped) {
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal) | ::unlockpt(terminal), 0);
    const std::string typist = ::ptsname(terminal);
    const std::string out = temp / "out", err = temp / "err";
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const int input = ::open(typist.c_str(), O_RDWR);  // the session's terminal, as a shell's would be
        const int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errors = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(input, 0);
        ::dup2(output, 1);
        ::dup2(errors, 2);
        ::execl(POSTVANE_TOOL, POSTVANE_TOOL, "scramble", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Typed once the prompt is there.
    for (int i = 0; i < 1000 && ReadFile(err).empty(); ++i) ::usleep(10000);
    ASSERT_EQ(::write(terminal, "s3cret\n", 7), 7);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    // What the terminal showed: the line end only, not the password.
    ::fcntl(terminal, F_SETFL, O_NONBLOCK);
    std::string shown;
    char buffer[256];
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, got);
    termios after{};
    ::tcgetattr(terminal, &after);
    ::close(terminal);
    EXPECT_EQ(std::make_tuple(WEXITSTATUS(status), ReadFile(out), ReadFile(err), shown),
              std::make_tuple(0, "7qhw3pzkqj1G)Z\n", "Password: ", "\r\n"));
    EXPECT_TRUE(after.c_lflag & ECHO) << "the terminal is left silent";
}

// What a user types and what the real executable answers, its exit status and the exact bytes it prints:
// options in both spellings, "--", a missing argument, each command's help, and "Saved" only when asked for.
TEST_F(ConfigTool, TheCommandLineReadsOptionsAsGetoptDoes) {
    WriteFile(cfg + "/master.xml", rootOnly);
    WriteFile(cfg + "/-dash.xml", rootOnly);
    const std::string expected = ReadFile(TestData("master/root-only/expected.xml"));
    const auto tried = [&](const std::string& arguments) {
        SCOPED_TRACE(arguments);
        return RunBinary(arguments);
    };

    for (const char* arguments : {"resave --stdout -- -dash.xml", "-- resave -s -- -dash.xml"}) {
        const ToolRun run = tried(arguments);
        EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(0, expected, "")) << arguments;
    }
    EXPECT_EQ(ReadFile(cfg + "/-dash.xml"), rootOnly);

    // Written quietly; "Saved" with --verbose before or after the command, "Unchanged" when the file held
    // the text already, which is not written again.
    ToolRun run = tried("resave master.xml");
    EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(0, "", ""));
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), expected);
    for (const char* arguments :
         {"--verbose resave master.xml", "resave master.xml -v", "-v resave master.xml"}) {
        WriteFile(cfg + "/master.xml", rootOnly);
        run = tried(arguments);
        EXPECT_EQ(std::tie(run.status, run.out, run.err),
                  std::make_tuple(0, "", Said(cfg + "/master.xml: Saved")))
            << arguments;
    }
    run = tried("resave -v master.xml");
    EXPECT_EQ(std::tie(run.status, run.out, run.err),
              std::make_tuple(0, "", Said(cfg + "/master.xml: Unchanged")));

    // --master=FILE, --master FILE, an abbreviation, and the master as check's operand are one thing. The
    // master names a monitor file that is not there: the check says which.
    const std::string checked = "+/monitor.xml: Monitor config file doesn't exist: " + cfg + "/monitor.xml\n";
    for (const char* arguments :
         {"check master.xml", "check --master=master.xml", "check --master master.xml",
          "check --mas=master.xml", "check -m master.xml", "check -mmaster.xml"}) {
        run = tried(arguments);
        EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(1, checked, "")) << arguments;
    }

    // Each refusal exits with 2, writes nothing, and points to the help of its command, or to the program's
    // where none was named.
    std::vector<std::tuple<std::string, std::string, std::string>> refused = {
        {"", "", "no command given"},
        {"check", "check", "check takes exactly one master file"},
        {"resave master.xml other.xml", "resave", "resave takes exactly one file"},
        // After "--" every word is a file: two files are one too many.
        {"resave -- -dash.xml --stdout", "resave", "resave takes exactly one file"},
        {"check --stdout master.xml", "check", "unknown option '--stdout'"},
        {"--stdout resave master.xml", "", "unknown option '--stdout'"},
        {"check --master", "check", "option '--master' requires an argument"},
        {"check --master=", "check", "option '--master' requires an argument"},
        {"check --mas", "check", "option '--master' requires an argument"},
        {"--ver", "", "option '--ver' is ambiguous (--version, --verbose)"},
        {"sql x.xml -m", "sql", "option '-m' requires an argument"},
        {"resave --type", "resave", "option '--type' requires an argument"},
        {"resave -x master.xml", "resave", "unknown option '-x'"},
        // A file beginning with "-" after another option, without "--": the letter is named, not that option.
        {"check --master=a -ab.xml", "check", "unknown option '-a'"},
        {"resave --stdout -x.xml", "resave", "unknown option '-x'"},
        {"check --master=a -:v x.xml", "check", "unknown option '-:'"},
        {"resave --force master.xml", "resave", "unknown option '--force'"},
        {"resave --std=yes master.xml", "resave", "option '--stdout' takes no argument"},
        {"--frob check master.xml", "", "unknown option '--frob'"},
        {"check --master=master.xml master.xml", "check", "check takes exactly one master file"},
        {"sql master.xml", "sql", "sql needs --master=MASTER"},
        {"scramble now", "scramble", "scramble takes no arguments; it reads standard input"},
        {"help resave check", "help", "help takes one command"},
        {"help frobnicate", "", "unknown command 'frobnicate'"},
        {"resave ''", "resave", "a file name is empty"},
        {"check ''", "check", "a file name is empty"},
        {"check --jobs", "check", "option '--jobs' requires an argument"},
    };
    for (const std::string jobs : {"--jobs=0", "-j x", "--jobs=2x", "--jobs 1025", "-j -1"})
        refused.emplace_back("check " + jobs + " master.xml", "check",
                             "--jobs takes a number of threads from 1 to 1024");
    // What a kind of file needs is known once its root has been read (--type given for a file of another
    // kind is the file's fault: SampleTool).
    WriteFile(cfg + "/d.xml", "<Dispositions/>");
    WriteFile(cfg + "/f.xml", "<Disposition/>");
    refused.insert(
        refused.end(),
        {{"resave d.xml", "resave", "a Dispositions file needs --master MASTER for its catalogues"},
         {"resave f.xml", "resave", "a Disposition file needs --type TYPE (for example ForwardMessage)"},
         {"resave --type=WriteToDB f.xml", "resave",
          "a WriteToDB file needs --master MASTER for its message fields files"}});
    for (const auto& [arguments, command, message] : refused) {
        run = tried(arguments);
        const std::string said = (command.empty() ? "" : command + ": ") + message +
                                 "\nTry 'postvane-config-tool " + (command.empty() ? "" : command + " ") +
                                 "--help'.";
        EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(2, "", Said(said))) << arguments;
    }
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), expected);

    // Each command's help, however it is asked for; it goes to standard output and succeeds.
    for (const std::string command : {"resave", "check", "sql", "scramble", "unscramble", "help"}) {
        const ToolRun asked = tried(command + " --help");
        EXPECT_EQ(asked.status, 0) << command;
        EXPECT_TRUE(asked.out.starts_with("Usage: postvane-config-tool " + command)) << asked.out;
        EXPECT_EQ(tried("help " + command).out, asked.out) << command;
        EXPECT_EQ(tried(command + " -h").out, asked.out) << command;
    }
    run = tried("--version");
    EXPECT_EQ(std::tie(run.status, run.out),
              std::make_tuple(0, "postvane-config-tool " POSTVANE_VERSION "\n"));
    EXPECT_TRUE(tried("--help").out.starts_with("Usage: postvane-config-tool [OPTIONS] COMMAND"));
    EXPECT_EQ(tried("help").out, tried("--help").out);
}

// The current folder removed under the user: a relative name is refused, never read against the program's
// folder, which here holds a master of that name.
TEST_F(ConfigTool, ARelativeNameWithTheCurrentFolderGoneNamesNoFile) {
    WriteFile(temp / "program/master.xml", rootOnly);
    const std::string said = Said(
        "The current folder cannot be read (it may have been removed), so the relative name master.xml "
        "names no file; give its full path");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", "master.xml"},
          {"resave", "master.xml"},
          {"graph", "master.xml"},
          {"resave", "--type=ForwardMessage", "--master=master.xml", "/x.xml"}}) {
        EXPECT_EQ(test::RunToolIn(temp / "program", "", args), (ToolRun{1, "", said})) << args.front();
    }
    EXPECT_EQ(ReadFile(temp / "program/master.xml"), rootOnly);
    // The real program, in a folder removed after it was entered.
    fs::create_directories(cfg);
    EXPECT_EQ(RunBinary("check master.xml", "mkdir gone && cd gone && rmdir ../gone && "),
              (ToolRun{1, "", said}));
}

// Backups only when asked for, in GNU's words: --backup, -b, --suffix, VERSION_CONTROL and
// SIMPLE_BACKUP_SUFFIX, as the real program reads them from its environment.
TEST_F(ConfigTool, ResaveKeepsTheBackupItIsAskedForAndNoneElse) {
    const std::string master = cfg + "/master.xml";
    const std::string expected = ReadFile(TestData("master/root-only/expected.xml"));
    const auto resave = [&](const std::string& arguments, const std::string& environment = "") {
        SCOPED_TRACE(arguments);
        WriteFile(master, rootOnly);
        const ToolRun run = RunBinary(arguments, environment);
        EXPECT_EQ(ReadFile(master), run.status == 0 ? expected : rootOnly);
        std::vector<std::string> kept = test::FolderEntries(cfg);
        for (const std::string& name : kept) {
            if (name != "master.xml") fs::remove(cfg + "/" + name);
        }
        return std::make_tuple(run.status, run.err, kept);
    };
    using Names = std::vector<std::string>;
    const auto backup = [&](const std::string& name) {
        return std::make_tuple(0, std::string(), Names{"master.xml", name});
    };
    const auto none = std::make_tuple(0, std::string(), Names{"master.xml"});
    // No backup unless asked for, whatever the environment says.
    EXPECT_EQ(resave("resave master.xml", "VERSION_CONTROL=numbered SIMPLE_BACKUP_SUFFIX=.orig.xml "), none);
    EXPECT_EQ(resave("resave -b master.xml"), backup("master.xml~"));  // GNU's default: existing
    EXPECT_EQ(resave("resave --backup master.xml", "VERSION_CONTROL=t "), backup("master.xml.~1~"));
    EXPECT_EQ(resave("resave --backup=numbered master.xml", "VERSION_CONTROL=simple "),
              backup("master.xml.~1~"));
    EXPECT_EQ(resave("resave --backup=never --suffix=.bak master.xml"), backup("master.xml.bak"));
    EXPECT_EQ(resave("resave --suffix=.bak master.xml"), backup("master.xml.bak"));  // implies --backup
    EXPECT_EQ(resave("resave -b master.xml", "SIMPLE_BACKUP_SUFFIX=.prev "), backup("master.xml.prev"));
    EXPECT_EQ(resave("resave --backup=off master.xml"), none);
    EXPECT_EQ(ReadFile(master), expected);

    // A resave that would write what the file holds writes nothing and keeps no backup of any kind, so the
    // simple backup still holds the text from before the first resave.
    WriteFile(master, rootOnly);
    EXPECT_EQ(RunBinary("resave -b master.xml").status, 0);
    const auto written = [&] {
        struct stat info {};
        ::stat(master.c_str(), &info);
        return std::make_tuple(info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    };
    const auto first = written();
    for (const std::string options : {"-b", "--suffix=.bak", "--backup=numbered", "--backup=existing"}) {
        const ToolRun run = RunBinary("resave " + options + " master.xml");
        EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(0, "", "")) << options;
    }
    EXPECT_EQ(std::make_tuple(test::FolderEntries(cfg), ReadFile(cfg + "/master.xml~"), written()),
              std::make_tuple(Names{"master.xml", "master.xml~"}, rootOnly, first));
    fs::remove(cfg + "/master.xml~");

    // The limit, the oldest removed first; the resaves that change nothing keep no backup.
    WriteFile(master, rootOnly);
    WriteFile(cfg + "/master.xml.~8~", "older\r\n");
    WriteFile(cfg + "/master.xml.~9~", "old\r\n");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(RunBinary("resave -b --backups-kept=2 master.xml").status, 0);
    const Names kept = {"master.xml", "master.xml.~10~", "master.xml.~9~"};
    EXPECT_EQ(test::FolderEntries(cfg), kept);
    EXPECT_EQ(ReadFile(cfg + "/master.xml.~9~"), "old\r\n");
    EXPECT_EQ(ReadFile(cfg + "/master.xml.~10~"), rootOnly);

    // Refused before anything is written, each with the resave's help.
    const std::tuple<std::string, std::string, std::string> wrong[] = {
        {"", "--backup=sometimes",
         "--backup 'sometimes' is none of none, off, numbered, t, existing, nil, simple, never"},
        {"VERSION_CONTROL=n ", "-b",
         "VERSION_CONTROL 'n' is none of none, off, numbered, t, existing, nil, simple, never"},
        {"", "-S .old.xml",
         "a backup suffix cannot end in \".xml\": the backup would look like a configuration file ('.old.xml')"},
        {"", "-b --backups-kept=0", "--backups-kept takes a number of backups from 1, not '0'"},
        {"", "--suffix=", "a backup suffix cannot be empty ('')"},
    };
    for (const auto& [environment, options, message] : wrong) {
        const ToolRun run = RunBinary("resave " + options + " master.xml", environment);
        EXPECT_EQ(
            std::tie(run.status, run.err),
            std::make_tuple(2, Said("resave: " + message + "\nTry 'postvane-config-tool resave --help'.")))
            << options;
    }
    EXPECT_EQ(test::FolderEntries(cfg), kept);
}

TEST_F(ConfigTool, AFileWhoseLastSaveDidNotFinishIsNamedWithItsCopyAndNotWritten) {
    fs::create_directories(cfg);
    const std::string master = cfg + "/master.xml", copy = master + ".before-save";
    WriteFile(master, "<ResponseHandler><One");
    WriteFile(copy, rootOnly);
    // resave says so on standard error; check, as it reports all it finds, on standard output.
    for (const std::string command : {"resave", "check"}) {
        const ToolRun run = Run({command, "cfg/master.xml"});
        const bool check = command == "check";
        const std::string& said = check ? run.out : run.err;
        EXPECT_EQ(std::tie(run.status, check ? run.err : run.out), std::make_tuple(1, "")) << command;
        EXPECT_EQ(said.rfind((check ? master + ": " : std::string("postvane-config-tool: ")) +
                                 "The last save of " + master + " did not finish",
                             0),
                  0u)
            << said;
        EXPECT_NE(said.find(" was kept in " + copy +
                            ". Open the file in the editor to put that text back, or "
                            "remove the copy to keep the file as it is.\n"),
                  std::string::npos)
            << said;
    }
    EXPECT_EQ(std::make_tuple(ReadFile(master), ReadFile(copy)),
              std::make_tuple(std::string("<ResponseHandler><One"), rootOnly));
}

// Reading keeps no stack frame per level, and the parser's own limit on depth ends such a file cleanly.
TEST_F(ConfigTool, ElementsNestedThreeHundredThousandDeepAreRefusedWithoutACrash) {
    std::string nested;
    nested.reserve(7 * 300000 + 100);
    nested += "<ResponseHandler>\r\n<MonitorConfigFile>";
    for (int i = 0; i < 300000; ++i) nested += "<a>";
    nested += "x";
    for (int i = 0; i < 300000; ++i) nested += "</a>";
    nested += "</MonitorConfigFile>\r\n</ResponseHandler>\r\n";
    WriteFile(cfg + "/master.xml", nested);
    for (const std::string command : {"resave", "check"}) {
        const ToolRun run = RunBinary(command + " master.xml");
        const bool check = command == "check";
        const std::string& said = check ? run.out : run.err;
        EXPECT_EQ(std::tie(run.status, check ? run.err : run.out), std::make_tuple(1, "")) << command;
        EXPECT_EQ(said.substr(0, said.find('\n')),
                  (check ? cfg + "/master.xml: " : std::string("postvane-config-tool: ")) + "The file " +
                      cfg +
                      "/master.xml is not well-formed XML (line 2, column 784: elements are nested "
                      "more than 256 deep).")
            << command;
    }
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), nested);
}

TEST_F(ConfigTool, AFailedWriteLeavesTheFileAsItWasAndExitsWithOne) {
    // Root may write anywhere, so the write is made to fail by a file size limit of 1 KiB, with the signal
    // that the limit raises ignored as it would be by a careful caller.
    std::string mailboxes;
    for (int i = 0; i < 5; ++i) mailboxes += "<Mailbox><Name>" + std::to_string(i) + "</Name></Mailbox>";
    const std::string input = "<ResponseHandler><Mailboxes>" + mailboxes + "</Mailboxes></ResponseHandler>";
    WriteFile(cfg + "/master.xml", input);
    const ToolRun run = RunBinary("resave master.xml", "trap '' XFSZ; ulimit -f 1; ");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with("postvane-config-tool: Error saving=75:Cannot write " + cfg +
                                    "/master.xml: File too large"))
        << run.err;
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), input);
    EXPECT_EQ(std::distance(fs::directory_iterator(cfg), fs::directory_iterator()), 1);
}

TEST_F(ConfigTool, AnOutputThatCannotBeWrittenIsReportedWithStatusOne) {
    fs::copy(TestData("frmmain/check"), cfg, fs::copy_options::recursive);
    const std::string reported =
        "postvane-config-tool: cannot write to standard output; what was to be printed is incomplete\n";
    for (const char* arguments : {"check master.xml", "resave --stdout master.xml", "scramble", "unscramble",
                                  "--help", "--version"}) {
        SCOPED_TRACE(arguments);
        const ToolRun run = RunBinary(arguments, "", "/dev/full");
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.ends_with(reported)) << run.err;
    }
}

// A file that cannot be read is named for what it is, a pipe without waiting on it, and is neither written
// nor created. A name longer than the system allows may not be called missing: the user would look for the
// file.
TEST_F(ConfigTool, AFileThatCannotBeReadIsReportedForWhatItIsAndNotWritten) {
    fs::create_directories(cfg);
    ASSERT_EQ(::mkfifo((cfg + "/pipe.xml").c_str(), 0644), 0);
    fs::create_directory(cfg + "/folder.xml");
    WriteFile(cfg + "/huge.xml", "");
    fs::resize_file(cfg + "/huge.xml", std::uintmax_t{300} << 20);  // sparse: nothing is written
    const std::string tooLong = std::string(300, 'x') + ".xml",
                      unexpected = "Unexpected error in LoadFile=75:";
    const std::pair<std::string, std::string> unread[] = {
        {"absent.xml", "Couldn't load file, it doesn't exist: " + cfg + "/absent.xml"},
        {tooLong, unexpected + "Cannot open " + cfg + "/" + tooLong + ": File name too long"},
        {"pipe.xml", unexpected + "Cannot read " + cfg + "/pipe.xml: it is a named pipe (FIFO)"},
        {"folder.xml", unexpected + "Cannot read " + cfg + "/folder.xml: it is a folder"},
        {"huge.xml",
         unexpected + "Cannot read " + cfg +
             "/huge.xml: it holds 300 MB, more than any configuration file (at most 256 MB are read)"}};
    for (const auto& [name, reason] : unread) {
        ToolRun run = Run({"check", "cfg/" + name});
        EXPECT_EQ(std::tie(run.status, run.out, run.err),
                  std::make_tuple(1, cfg + "/" + name + ": " + reason + "\n", ""));
        run = Run({"resave", "cfg/" + name});
        EXPECT_EQ(std::tie(run.status, run.out, run.err),
                  std::make_tuple(
                      1, "", Said(reason + "\nNot written: " + cfg + "/" + name + " could not be read.")));
    }
    EXPECT_FALSE(fs::exists(cfg + "/absent.xml"));

    // A catalogue and a disposition file that are pipes.
    WriteFile(cfg + "/master.xml",
              "<ResponseHandler><CategoryDefinitionsFile>+/pipe.xml</CategoryDefinitionsFile>"
              "<DispositionTypesFile>+/types.xml</DispositionTypesFile></ResponseHandler>");
    WriteFile(cfg + "/types.xml", "<DispositionTypes/>");
    const ToolRun run = Run({"resave", "--master", "cfg/master.xml", "cfg/pipe.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot read " + cfg + "/pipe.xml: it is a named pipe (FIFO)"), std::string::npos)
        << run.err;

    // A master that cannot be read completely is blamed, not the file it was to give its catalogues to.
    WriteFile(cfg + "/stopped.xml",
              "<ResponseHandler><Mailboxes><Mailbox><Name>a</Name><Threads>x1</Threads></Mailbox>"
              "</Mailboxes></ResponseHandler>");
    WriteFile(cfg + "/fine.xml", "<Dispositions/>");
    const std::string stopped =
        "Unexpected error in LoadFile=13:Type mismatch: the Threads of mailbox \"a\" \"x1\" is not a number\n";
    // Each names the master it was loading, as resave names the file it resaves.
    const std::pair<std::string, std::string> blamed[] = {
        {"resave", cfg + "/stopped.xml: " + stopped + "Not written: " + cfg +
                       "/fine.xml, because its master file " + cfg + "/stopped.xml could not be read."},
        {"sql", cfg + "/stopped.xml: " + stopped + "the master file cfg/stopped.xml could not be read"}};
    for (const auto& [command, blame] : blamed) {
        const ToolRun refused = Run({command, "--master", "cfg/stopped.xml", "cfg/fine.xml"});
        EXPECT_EQ(std::tie(refused.status, refused.out, refused.err), std::make_tuple(1, "", Said(blame)));
    }
    EXPECT_EQ(ReadFile(cfg + "/fine.xml"), "<Dispositions/>");
}

// A master whose mailboxes fail the mailbox editor's checks in several ways, with the files they name.
struct CheckCommand : ConfigTool {
    void SetUp() override { fs::copy(TestData("frmmain/check"), cfg, fs::copy_options::recursive); }
};

TEST_F(CheckCommand, ReportsEveryFailingMailboxWithTheEditorsMessagesAndChangesNothing) {
    const std::string before = ReadFile(cfg + "/master.xml");
    ToolRun run = Run({"check", "cfg/master.xml"});
    EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(1, ""));
    EXPECT_EQ(run.out, "nodisp: Disposition configuration file does not exist: " + cfg +
                           "/missing.disposition.xml\n"
                           "odd: Unknown protocol=imap4\n"
                           "odd: Please choose a protocol\n"
                           "dir: Home Folder does not exist: " +
                           cfg + "/nowhere\n");
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), before);
    EXPECT_FALSE(fs::exists(cfg + "/missing.disposition.xml"));

    // A folder named as the disposition file is said to be one.
    WriteFile(cfg + "/master.xml",
              test::Replaced(before, "+/missing.disposition.xml", "+/folder.disposition.xml"));
    fs::create_directory(cfg + "/folder.disposition.xml");
    run = Run({"check", "cfg/master.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.starts_with("nodisp: Disposition configuration file is a folder, not a file: " + cfg +
                                    "/folder.disposition.xml\n"))
        << run.out;

    // One that is not well-formed is said to be so, not blamed for the nothing it was read as.
    WriteFile(cfg + "/master.xml", before);
    WriteFile(cfg + "/missing.disposition.xml", "<Dispositions><Default>");
    run = Run({"check", "cfg/master.xml"});
    EXPECT_TRUE(run.out.starts_with("nodisp: +/missing.disposition.xml: The file " + cfg +
                                    "/missing.disposition.xml is not well-formed XML (line 1, column 24: the "
                                    "file ends before the element <Default> is closed).\nodd: "))
        << run.out;

    // A mailbox's save stops at its first fault, but a file it names that is missing is said as well: nothing
    // else checks it.
    WriteFile(cfg + "/master.xml",
              test::Replaced(before, "<Name>odd</Name>",
                             "<Name>odd</Name><DispositionFileName>+/gone.xml</DispositionFileName>"
                             "<CategorizationRulesFileName>+/gone.xml</CategorizationRulesFileName>"));
    run = Run({"check", "cfg/master.xml"});
    EXPECT_NE(
        run.out.find("odd: Please choose a protocol\nodd: Categorization rules file does not exist: " + cfg +
                     "/gone.xml\nodd: Disposition configuration file does not exist: " + cfg + "/gone.xml\n"),
        std::string::npos)
        << run.out;

    // A mailbox without a name is told by its place among the master's mailboxes, in the master file.
    WriteFile(cfg + "/master.xml", test::Replaced(before, "<Name>good</Name>", "<Name></Name>"));
    run = Run({"check", "cfg/master.xml"});
    EXPECT_TRUE(
        run.out.starts_with("mailbox 1 (no name): " + cfg + "/master.xml: Mailbox name is missing\nnodisp: "))
        << run.out;
    const nlohmann::json json = nlohmann::json::parse(Run({"check", "--format=json", "cfg/master.xml"}).out);
    EXPECT_EQ(json["findings"][0], (nlohmann::json{{"file", cfg + "/master.xml"},
                                                   {"mailbox", "mailbox 1 (no name)"},
                                                   {"kind", "error"},
                                                   {"message", "Mailbox name is missing"}}));
}

// A file read as Windows-1252 loads, but the server's parser would refuse it: check says so and fails.
TEST_F(ConfigTool, CheckListsWhatTheLoadsSaidAboutTheirFiles) {
    fs::create_directories(cfg);
    const InstallationSample sample = WriteInstallationSample(cfg, 2, 5);
    EXPECT_EQ(Run({"check", sample.master}).status, 0);
    WriteFile(sample.master, test::Replaced(ReadFile(sample.master), "Mailbox 0", "Bo\xEEte 0"));
    const std::string dispositions = cfg + "/d1.disposition.xml";
    WriteFile(dispositions, test::Replaced(ReadFile(dispositions), "/var/spool", "/var/\xE9t\xE9"));
    // A catalogue is only read: nothing is said of saving it.
    const std::string categories = cfg + "/categoryDefinitions.xml";
    WriteFile(categories,
              test::Replaced(ReadFile(categories), "<Categories>", "<!-- \xE9t\xE9 --><Categories>"));
    const std::string read = " has no encoding declaration and is not UTF-8, so it was read as Windows-1252";
    const std::string notice = read + "; saving it writes UTF-8.";
    const ToolRun run = Run({"check", sample.master});
    EXPECT_EQ(
        std::tie(run.status, run.err, run.out),
        std::make_tuple(1, "",
                        sample.master + ": The file " + sample.master + notice +
                            "\nBo\xC3\xAEte 0: " + categories + ": The file " + categories + read +
                            ".\nMailbox 1: +/d1.disposition.xml: The file " + dispositions + notice + "\n"));

    // A password a save stores in clear, which the server reads too: said of its mailbox as a warning, and
    // no failure.
    const InstallationSample clean = WriteInstallationSample(cfg, 2, 5);
    WriteFile(clean.master, test::Replaced(ReadFile(clean.master), "<Password></Password>",
                                           "<Password>p\xC3\xA4ss</Password>"));
    // An address holding a line break, which its window shows on two lines, said as the window says it.
    const std::string forward = cfg + "/fwd1-0.forwardmessage.xml";
    WriteFile(forward, test::Replaced(ReadFile(forward), "team0@example.com", "team0@exa&#10;mple.com"));
    std::string said =
        "Mailbox 0: warning: Password contains out-of-bounds character, it will not be encrypted.  "
        "Character=#228\n";
    // Said for each disposition that names the file, as every message of its window is.
    for (const char* category : {"Default", "Category0", "Category2", "Category3"}) {
        said +=
            "Mailbox 1: +/fwd1-0.forwardmessage.xml: " + std::string(category) + ": warning: The file " +
            forward +
            " holds the Address \"team0@exa&#10;mple.com\", which holds a line break: the box shows it on "
            "separate lines. Saved untouched it stays one Address, but once the box is edited each line is "
            "saved as a separate Address.\n";
    }
    const ToolRun clear = Run({"check", clean.master});
    EXPECT_EQ(std::tie(clear.status, clear.out), std::make_tuple(0, said));

    // One that cannot be stored at all is refused once, and a save's refusal names its mailbox.
    WriteFile(clean.master, test::Replaced(ReadFile(clean.master), "p\xC3\xA4ss", "p\xC3\xA4ss` "));
    const ToolRun refused = Run({"check", clean.master});
    const auto count = [](const std::string& text, const std::string& part) {
        size_t found = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
        return found;
    };
    EXPECT_EQ(std::make_tuple(refused.status, count(refused.out, "Change the password.")),
              std::make_tuple(1, 1u))
        << refused.out;
    EXPECT_NE(
        Run({"resave", "--allow-loss", clean.master}).err.find("The password of the mailbox \"Mailbox 0\""),
        std::string::npos);
}

TEST_F(CheckCommand, ALoadThatFailsIsAFailureButTheMailboxesReadBeforeAreChecked) {
    WriteFile(
        cfg + "/twice.xml",
        "<ResponseHandler><Mailboxes><Mailbox><Name>a</Name><Protocol>x</Protocol></Mailbox>"
        "<Mailbox><Name>b</Name></Mailbox><Mailbox><Name>b</Name></Mailbox></Mailboxes></ResponseHandler>");
    const std::string stopped =
        "Unexpected error in LoadFile=457:A mailbox named \"b\" is already in the list";
    const ToolRun run = Run({"check", "cfg/twice.xml"});
    EXPECT_EQ(
        std::tie(run.status, run.out, run.err),
        std::make_tuple(
            1, cfg + "/twice.xml: " + stopped + "\na: Unknown protocol=x\na: Please choose a protocol\n",
            ""));
    const ToolRun resaved = Run({"resave", "cfg/twice.xml"});
    EXPECT_EQ(std::tie(resaved.status, resaved.err),
              std::make_tuple(1, Said(cfg + "/twice.xml: " + stopped + "\nNot written: " + cfg +
                                      "/twice.xml could not be read.")));

    // The graph of a master read in part would look whole: it is drawn as one that could not be read.
    const ToolRun graph = Run({"graph", "cfg/twice.xml"});
    const std::string dot = R"(digraph installation {
  rankdir=LR;
  node [fontname="DejaVu Sans", fontsize=10];
  "file:D/twice.xml" [label="twice.xml\nunreadable", shape=doubleoctagon, tooltip="master file: D/twice.xml", style=dotted, color=orange, fontcolor=orange];
}
)";
    EXPECT_EQ(std::tie(graph.status, graph.out, graph.err),
              std::make_tuple(1, InFolder(dot, cfg),
                              Said(cfg + "/twice.xml: " + stopped + "\nThe master file " + cfg +
                                   "/twice.xml could not be read completely, so nothing it names is drawn")));
}

// A file named through ".." by one mailbox and directly by another is one file, drawn once.
TEST_F(CheckCommand, GraphDrawsAFileSpelledTwoWaysOnce) {
    WriteFile(cfg + "/two.xml",
              "<ResponseHandler><Mailboxes><Mailbox><Name>a</Name></Mailbox><Mailbox><Name>b</Name>"
              "<DispositionFileName>+/maildir/../disposition.xml</DispositionFileName></Mailbox>"
              "</Mailboxes></ResponseHandler>");
    const ToolRun run = Run({"graph", "cfg/two.xml"});
    std::istringstream lines(run.out);
    std::string drawn;
    for (std::string line; std::getline(lines, line);)
        if (line.find("disposition.xml") != std::string::npos) drawn += line + "\n";
    const std::string expected =
        R"(  "file:D/disposition.xml" [label="+/disposition.xml", shape=box3d, tooltip="disposition configuration file: D/disposition.xml"];
  "mailbox:a" -> "file:D/disposition.xml";
  "mailbox:b" -> "file:D/disposition.xml";
)";
    EXPECT_EQ(std::tie(run.status, drawn), std::make_tuple(0, InFolder(expected, cfg)));
}

// The same findings as a JSON document for a script: whom each is about, where, its kind and its words, in
// the order the text gives them (ReportsEveryFailingMailbox...), with nothing on standard error.
TEST_F(CheckCommand, JsonCarriesTheFindingsOfTheTextWithTheirPlaces) {
    const ToolRun run = Run({"check", "--format=json", "cfg/master.xml"});
    EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(1, ""));
    const std::string master = cfg + "/master.xml";
    const auto finding = [&](const std::string& mailbox, const std::string& message) {
        return nlohmann::json{
            {"file", master}, {"mailbox", mailbox}, {"kind", "error"}, {"message", message}};
    };
    const nlohmann::json expected = {
        {"master", master},
        {"findings",
         {[&] {
              // A missing file the mailbox names: named as the master holds it.
              nlohmann::json missing =
                  finding("nodisp", "Disposition configuration file does not exist: " + cfg +
                                        "/missing.disposition.xml");
              missing["named"] = "+/missing.disposition.xml";
              return missing;
          }(),
          finding("odd", "Unknown protocol=imap4"), finding("odd", "Please choose a protocol"),
          finding("dir", "Home Folder does not exist: " + cfg + "/nowhere")}},
        {"summary", {{"errors", 4}, {"warnings", 0}, {"notes", 0}, {"passed", false}}}};
    EXPECT_EQ(nlohmann::json::parse(run.out), expected) << run.out;
}

// A master that is not well-formed: the text says so on standard output, as it says all it finds; JSON and
// SARIF point at the line and column, and SARIF names the file relative to the master's folder.
TEST_F(CheckCommand, ReportsPointAtTheLineAndColumnOfAFileThatIsNotWellFormed) {
    WriteFile(cfg + "/broken.xml", "<ResponseHandler>\n  <Mailboxes>\n</ResponseHandler>\n");
    const ToolRun text = Run({"check", "cfg/broken.xml"});
    const std::string subject = cfg + "/broken.xml: ";
    EXPECT_EQ(std::tie(text.status, text.err), std::make_tuple(1, ""));
    EXPECT_TRUE(text.out.starts_with(subject + "The file " + cfg + "/broken.xml is not well-formed XML"))
        << text.out;
    // After the subject, on one line.
    const std::string said = text.out.substr(subject.size(), text.out.size() - subject.size() - 1);

    const ToolRun json = Run({"check", "--format", "json", "cfg/broken.xml"});
    EXPECT_EQ(std::tie(json.status, json.err), std::make_tuple(1, ""));
    const nlohmann::json found = nlohmann::json::parse(json.out)["findings"];
    ASSERT_EQ(found.size(), 1u) << json.out;
    EXPECT_EQ(found[0], (nlohmann::json{{"file", cfg + "/broken.xml"},
                                        {"line", 3},
                                        {"column", found[0]["column"]},
                                        {"kind", "error"},
                                        {"message", said}}));
    EXPECT_GT(found[0]["column"].get<int>(), 0);

    const ToolRun sarif = Run({"check", "--format=sarif", "cfg/broken.xml"});
    const nlohmann::json run = nlohmann::json::parse(sarif.out)["runs"][0];
    EXPECT_EQ(run["originalUriBaseIds"]["MASTERDIR"]["uri"], "file://" + cfg + "/");
    EXPECT_EQ(run["columnKind"], "unicodeCodePoints");
    EXPECT_EQ(run["results"][0]["locations"][0]["physicalLocation"],
              (nlohmann::json{{"artifactLocation", {{"uri", "broken.xml"}, {"uriBaseId", "MASTERDIR"}}},
                              {"region", {{"startLine", 3}, {"startColumn", found[0]["column"]}}}}));
    EXPECT_EQ(run["results"][0]["level"], "error");

    // So is a catalogue, and not the disposition file read with it, which is blamed only for what its save
    // would lose.
    WriteFile(cfg + "/catalogued.xml",
              "<ResponseHandler><CategoryDefinitionsFile>+/cats.xml</CategoryDefinitionsFile>"
              "<CategoryDefinitionsFile>+/cats2.xml</CategoryDefinitionsFile>"
              "<DispositionTypesFile>+/types.xml</DispositionTypesFile><DispositionTypesFile>+/types2.xml"
              "</DispositionTypesFile><Mailboxes><Mailbox><Name>Box</Name><DispositionFileName>+/box.xml"
              "</DispositionFileName></Mailbox></Mailboxes></ResponseHandler>");
    WriteFile(cfg + "/box.xml",
              "<Dispositions><Default><Disposition><Type>DoNothing</Type></Disposition></Default>"
              "</Dispositions>");
    WriteFile(cfg + "/types.xml",
              "<DispositionTypes><DispositionType><Name>DoNothing</Name><DetailedDispositionFile>0"
              "</DetailedDispositionFile></DispositionType></DispositionTypes>");
    WriteFile(cfg + "/types2.xml", "<DispositionTypes/>");
    WriteFile(cfg + "/cats2.xml", "<Categories/>");
    WriteFile(cfg + "/cats.xml",
              "<Categories>\n <Category>\n  <Name>Spam</Name>\n </Category>\n\n</Categorie>\n");
    const nlohmann::json catalogue =
        nlohmann::json::parse(Run({"check", "--format=json", "cfg/catalogued.xml"}).out)["findings"];
    EXPECT_EQ(
        catalogue,
        (nlohmann::json{{{"file", cfg + "/cats.xml"},
                         {"mailbox", "Box"},
                         {"line", 6},
                         {"column", 13},
                         {"kind", "error"},
                         {"message", "The file " + cfg +
                                         "/cats.xml is not well-formed XML (line 6, column 13: the end tag "
                                         "</Categorie> does not match the start tag <Categories> (line "
                                         "1))."}},
                        {{"file", cfg + "/box.xml"},
                         {"named", "+/box.xml"},
                         {"mailbox", "Box"},
                         {"kind", "error"},
                         {"message",
                          "The category definitions file \"+/cats.xml\" could not be read, so "
                          "the categories it defines are not loaded."}}}));
    const nlohmann::json located = nlohmann::json::parse(
        Run({"check", "--format=sarif", "cfg/catalogued.xml"}).out)["runs"][0]["results"][0]["locations"][0];
    EXPECT_EQ(located["physicalLocation"],
              (nlohmann::json{{"artifactLocation", {{"uri", "cats.xml"}, {"uriBaseId", "MASTERDIR"}}},
                              {"region", {{"startLine", 6}, {"startColumn", 13}}}}));

    // What a catalogue holds that no disposition file can use names the file of the two that holds it, once
    // for all the mailboxes that read it, a category name no disposition file can be saved with among it;
    // each file it stops still fails, sending the reader there.
    WriteFile(cfg + "/cats.xml", "<Categories><Category><Name>Two Words</Name></Category></Categories>");
    WriteFile(cfg + "/cats2.xml",
              "<Categories><Category><ParentCategory>Spam</ParentCategory></Category>"
              "<Category><Name>x y</Name></Category></Categories>");
    WriteFile(cfg + "/types2.xml", "<DispositionTypes><DispositionType/></DispositionTypes>");
    WriteFile(cfg + "/catalogued.xml",
              test::Replaced(ReadFile(cfg + "/catalogued.xml"), "</Mailboxes>",
                             "<Mailbox><Name>Other</Name><DispositionFileName>+/box.xml</DispositionFileName>"
                             "</Mailbox></Mailboxes>"));
    const ToolRun named = Run({"check", "cfg/catalogued.xml"});
    const auto unsaved = [&](const std::string& mailbox) {
        return mailbox + ": +/box.xml: Cannot be saved until the fault in " + cfg +
               "/cats.xml is corrected\n" + mailbox + ": +/box.xml: Cannot be saved until the fault in " +
               cfg + "/cats2.xml is corrected\n";
    };
    const auto unwritable = [&](const std::string& file, const std::string& name) {
        return "Box: " + cfg + "/" + file + ": warning: These categories of the category definitions file " +
               cfg + "/" + file +
               " cannot be written into a disposition file, as their names are not valid XML element names (or "
               "hold a colon): \"" +
               name + "\". No disposition file can be saved until they are corrected there.\n";
    };
    const auto refused = [&](const std::string& file, const std::string& name) {
        return "Box: " + cfg + "/" + file + ": The category \"" + name +
               "\" cannot be saved: its name is not a valid XML element name. Correct it in the category "
               "definitions file " +
               cfg + "/" + file + "; nothing was written.\n";
    };
    EXPECT_EQ(named.out,
              "Box: " + cfg + "/cats2.xml: Category name missing in the category definitions file " + cfg +
                  "/cats2.xml\nBox: " + cfg +
                  "/types2.xml: Name is missing from a disposition type in the disposition types file " +
                  cfg + "/types2.xml\n" + unwritable("cats.xml", "Two Words") +
                  unwritable("cats2.xml", "x y") + refused("cats.xml", "Two Words") +
                  refused("cats2.xml", "x y") + unsaved("Box") + unsaved("Other"));

    EXPECT_EQ(Run({"check", "--format=xml", "cfg/broken.xml"}).err,
              Said("check: unknown format 'xml'; the formats are text, json, sarif\n"
                   "Try 'postvane-config-tool check --help'."));
}

// --orphans: the configuration files under the master's folder that nothing names, by kind (other XML, and
// files outside the tree a link leads to, left alone), and the rules files named that are not there.
TEST_F(CheckCommand, OrphansAreTheConfigurationFilesNothingNames) {
    fs::create_directories(cfg + "/old/deeper");
    WriteFile(cfg + "/old/sales.disposition.xml", "<Dispositions/>");
    WriteFile(cfg + "/old/deeper/Forward.XML", "<Disposition/>");
    WriteFile(cfg + "/old/notes.xml", "<Notes/>");
    WriteFile(cfg + "/old/broken.xml", "<Dispositions>");
    WriteFile(cfg + "/old/readme.txt", "<Dispositions/>");
    fs::create_directory_symlink("..", cfg + "/old/loop");
    fs::create_directories(temp / "elsewhere");
    WriteFile(temp / "elsewhere/other.disposition.xml", "<Dispositions/>");
    fs::create_directory_symlink(temp / "elsewhere", cfg + "/outside");
    // A name through a link is the file it leads to: named, so no orphan.
    fs::create_symlink(cfg + "/disposition.xml", cfg + "/linked.xml");
    std::string master = ReadFile(cfg + "/master.xml");
    master.replace(master.find("<Name>good</Name>"), 17,
                   "<Name>good</Name><DispositionFileName>+/linked.xml</DispositionFileName>"
                   "<CategorizationRulesFileName>+/gone.categorization.xml</CategorizationRulesFileName>"
                   "<CategorizationRulesFileName>+/gone.categorization.xml</CategorizationRulesFileName>");
    WriteFile(cfg + "/master.xml", master);

    // The help says so as this test finds it: a linked file is followed, a linked folder is not.
    EXPECT_NE(Run({"check", "--help"})
                  .out.find("symbolic links to folders are not followed, and a file named through a link\n"
                            "counts as named."),
              std::string::npos);
    // The mailbox editor checks a single rules file, not several: --orphans names the missing one of those,
    // once, though the mailbox names it twice.
    const ToolRun plain = Run({"check", "cfg/master.xml"});
    const ToolRun run = Run({"check", "--orphans", "cfg/master.xml"});
    const std::string path = cfg + "/master.xml";
    // As JSON, as the master holds its name.
    const nlohmann::json found =
        nlohmann::json::parse(Run({"check", "--format=json", "--orphans", "cfg/master.xml"}).out)["findings"];
    const auto gone = std::find_if(found.begin(), found.end(), [](const nlohmann::json& finding) {
        return finding["message"].get<std::string>().starts_with("The categorization rules file");
    });
    ASSERT_NE(gone, found.end()) << found;
    EXPECT_EQ(std::make_tuple((*gone)["file"], gone->value("named", "")),
              std::make_tuple(path, "+/gone.categorization.xml"));
    EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(1, ""));
    EXPECT_EQ(run.out,
              plain.out +
                  "good: warning: The categorization rules file +/gone.categorization.xml is missing: " +
                  cfg + "/gone.categorization.xml\n" + path +
                  ": old/deeper/Forward.XML: warning: A detailed disposition file that nothing the "
                  "master leads to names\n" +
                  path +
                  ": old/sales.disposition.xml: warning: A disposition configuration file that nothing "
                  "the master leads to names\n");

    // The dispositions of a category no catalogue defines are not loaded, and the server still reads them:
    // the file they name is no orphan either.
    WriteFile(cfg + "/disposition.xml",
              test::Replaced(ReadFile(cfg + "/disposition.xml"), "</Dispositions>",
                             "<Gone><Disposition><Type>ForwardMessage</Type><DetailedDispositionFile>"
                             "+/old/deeper/Forward.XML</DetailedDispositionFile></Disposition></Gone>"
                             "</Dispositions>"));
    const std::string notAllKnown =
        ": linked.xml: warning: Not all that this disposition configuration file names is known (it, or a "
        "catalogue it needs, could not be read whole, or it holds categories no category definitions file "
        "defines), and it may name detailed disposition files: the one that nothing else names is not "
        "listed\n";
    const ToolRun undefined = Run({"check", "--orphans", "cfg/master.xml"});
    EXPECT_EQ(undefined.out.find("Forward.XML"), std::string::npos) << undefined.out;
    EXPECT_NE(undefined.out.find(path + notAllKnown), std::string::npos) << undefined.out;
    // Nor is the file that a disposition of a type no catalogue knows names: the graph draws it too.
    WriteFile(cfg + "/disposition.xml",
              "<Dispositions><Default><Disposition><Type>Mystery</Type><DetailedDispositionFile>"
              "+/old/deeper/Forward.XML</DetailedDispositionFile></Disposition></Default></Dispositions>");
    const ToolRun unknownType = Run({"check", "--orphans", "cfg/master.xml"});
    EXPECT_NE(unknownType.out.find("\"Mystery\""), std::string::npos) << unknownType.out;
    EXPECT_EQ(unknownType.out.find("Forward.XML"), std::string::npos) << unknownType.out;
    EXPECT_NE(Run({"graph", "cfg/master.xml"}).out.find("Forward.XML\\n(Mystery)"), std::string::npos);
    // A master read only in part lists no file, and says why.
    WriteFile(cfg + "/master.xml", test::Replaced(master, "<Name>nodisp</Name>", "<Name>good</Name>"));
    const ToolRun partial = Run({"check", "--orphans", "cfg/master.xml"});
    EXPECT_TRUE(
        partial.out.ends_with(path +
                              ": warning: The master file could not be read whole, and it names every "
                              "other file: the configuration files that nothing names are not listed\n"))
        << partial.out;
    WriteFile(cfg + "/master.xml", master);

    // A file that may name others but could not be read keeps the files of those kinds from being called
    // orphans, and says so once; a folder or a file that could not be looked into is named.
    WriteFile(cfg + "/disposition.xml", "<Dispositions>");
    WriteFile(cfg + "/monitor.xml", "<Monitors>");
    WriteFile(cfg + "/old/alerts.xml", "<EmailMonitor/>");
    fs::create_directories(cfg + "/old/locked");
    WriteFile(cfg + "/old/locked/hidden.disposition.xml", "<Dispositions/>");
    WriteFile(cfg + "/old/secret.xml", "<Dispositions/>");
    platform::testing::SetListFaultHook(
        [&](const std::string& folder) { return folder == cfg + "/old/locked" ? EACCES : 0; });
    platform::testing::SetReadHook([&](const std::string& file) {
        if (file == cfg + "/old/secret.xml")
            throw AppError(kErrFileAccess, "Cannot open it: Permission denied");
    });
    const ToolRun unread = Run({"check", "--orphans", "cfg/master.xml"});
    platform::testing::SetListFaultHook(nullptr);
    platform::testing::SetReadHook(nullptr);
    const std::string untold = "could not be read whole, and it may name ";
    const std::string unexamined =
        ": warning: Could not be examined for configuration files that nothing names: ";
    EXPECT_EQ(unread.out,
              Run({"check", "cfg/master.xml"}).out +
                  "good: warning: The categorization rules file +/gone.categorization.xml is missing: " +
                  cfg + "/gone.categorization.xml\n" + path +
                  ": old/sales.disposition.xml: warning: A disposition configuration file that nothing "
                  "the master leads to names\n" +
                  path + ": monitor.xml: warning: This monitor configuration file " + untold +
                  "monitor files: the one that nothing else names is not listed\n" + path + notAllKnown +
                  path + ": old/locked" + unexamined + "Permission denied\n" + path + ": old/secret.xml" +
                  unexamined + "Cannot open it: Permission denied\n");
}

// The kind of a file is decided once all of it has been read: a file that is not well-formed is said to be
// that, whatever its root, before any option its kind would need is asked for.
TEST_F(ConfigTool, AFileThatIsNotWellFormedIsReportedSoWhateverItsRoot) {
    fs::create_directories(cfg);
    for (const std::string root : {"Unregistered", "Disposition"}) {
        WriteFile(cfg + "/broken.xml", "<" + root + "><A></" + root + ">");
        const ToolRun run = Run({"resave", "cfg/broken.xml"});
        EXPECT_EQ(run.status, 1) << root;
        EXPECT_TRUE(run.err.starts_with("postvane-config-tool: The file " + cfg +
                                        "/broken.xml is not well-formed XML (line 1"))
            << run.err;
        EXPECT_TRUE(run.err.ends_with(Said("Not written: " + cfg + "/broken.xml could not be read.")))
            << run.err;
    }
}

// A new editor is its logic, its layout and one registration line: the tool then knows it with nothing more.
// Every registered detailed type is listed by resave's help and taken by --type; every registered monitor
// file is resaved by its root element.
TEST_F(ConfigTool, TheToolKnowsEveryRegisteredEditor) {
    const std::string help = Run({"resave", "--help"}).out;
    const size_t types = help.find("(--type):") + 9;
    std::istringstream words(help.substr(types, help.find("\n\n", types) - types));
    std::vector<std::string> listed;
    for (std::string word; words >> word;)
        listed.push_back(word.ends_with(",") ? word.substr(0, word.size() - 1) : word);
    EXPECT_EQ(listed, BuiltInEditors().Types(EditorFamily::Disposition));
    for (const std::string& type : listed) EXPECT_EQ(Run({"resave", "--type", type, "absent.xml"}).status, 1);

    const std::string unknown = " is not a kind of file this tool writes";
    WriteFile(temp / "other.xml", "<Unregistered/>");
    EXPECT_NE(Run({"resave", temp / "other.xml"}).err.find(unknown), std::string::npos);
    for (const EditorRegistration* editor : BuiltInEditors().Of(EditorFamily::Monitor)) {
        if (!editor->make) continue;  // a monitor type with nothing to edit has no file
        WriteFile(temp / "monitor.xml", "<" + editor->setup.root + "/>");
        EXPECT_EQ(Run({"resave", "--stdout", temp / "monitor.xml"}).err.find(unknown), std::string::npos)
            << editor->setup.type;
    }
}

}  // namespace
}  // namespace pv
