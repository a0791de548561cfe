#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "cli/InstallationSample.h"
#include "core/HeadlessServices.h"
#include "core/paths.h"
#include "master/MasterConfiguration.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;
using test::RunToolIn;
using test::ToolRun;
using test::WriteFile;

std::string Replaced(std::string text, const std::string& from, const std::string& to, size_t after = 0) {
    const size_t at = text.find(from, after);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// An installation of `mailboxes` mailboxes in which every mailbox but each twelfth has a fault of its own
// kind, in the master, its disposition file or the detailed files that names; the monitor file is not
// well-formed, and the master names a message fields file that is not there, which each Write To File
// disposition reports and check says once, and holds an element a save of it would leave out.
std::string WriteFaultyInstallation(const std::string& folder, size_t mailboxes) {
    const InstallationSample sample = WriteInstallationSample(folder, mailboxes, 12);
    const std::string base = folder + "/";
    std::string master = Replaced(ReadFile(sample.master), "\t<OnePass>",
                                  "\t<MessageFieldsFile>+/fields.xml</MessageFieldsFile>\r\n"
                                  "\t<FutureSetting>1</FutureSetting>\r\n\t<OnePass>");
    WriteFile(base + "dispositionTypes.xml",
              Replaced(ReadFile(base + "dispositionTypes.xml"), "</DispositionTypes>",
                       "\t<DispositionType>\r\n\t\t<Name>WriteToFile</Name>\r\n\t\t<DetailedDispositionFile>1"
                       "</DetailedDispositionFile>\r\n\t</DispositionType>\r\n</DispositionTypes>"));
    WriteFile(base + "monitor.xml", "<Monitors>\r\n");
    for (size_t m = 0; m < mailboxes; ++m) {
        const std::string n = std::to_string(m);
        const std::string dispositions = base + "d" + n + ".disposition.xml";
        const auto forward = [&](int file) {
            return base + "fwd" + n + "-" + std::to_string(file) + ".forwardmessage.xml";
        };
        const auto edit = [](const std::string& path, const std::string& from, const std::string& to) {
            WriteFile(path, Replaced(ReadFile(path), from, to));
        };
        switch (m % 12) {
            case 1:
                fs::remove(dispositions);
                break;
            case 2:
                WriteFile(dispositions, ReadFile(dispositions).substr(0, 300));
                break;
            case 3:
                fs::remove(forward(0));
                break;
            case 4:
                edit(forward(1), "<SMTPPort>25<", "<SMTPPort>x<");
                break;
            case 5:
                master = Replaced(master, "<Protocol>imaps<", "<Protocol>imap4<",
                                  master.find("<Name>Mailbox " + n + "</Name>"));
                break;
            case 6: {
                std::string text = ReadFile(dispositions);
                for (size_t at; (at = text.find(">ForwardMessage<")) != std::string::npos;)
                    text.replace(at, 16, ">WriteToFile<");
                WriteFile(dispositions, text);
                break;
            }
            case 7:
                edit(forward(2), "</Disposition>", "\t<Extra>1</Extra>\r\n</Disposition>");
                break;
            case 8:
                edit(dispositions, "</Dispositions>", "\t<Nowhere>\r\n\t</Nowhere>\r\n</Dispositions>");
                break;
            case 9:
                edit(forward(0), "&amp; more", "&amp; m\xEAme");
                break;
            case 10:
                edit(forward(1), "<TlsOption>None<", "<TlsOption>Bogus<");
                break;
            case 11:
                // An encoding with bytes it leaves unassigned: building its table on a thread of the check
                // makes libxml2 complain, which must not reach standard error.
                edit(forward(2), "<Disposition>",
                     "<?xml version=\"1.0\" encoding=\"ISO-8859-3\"?>\r\n<Disposition>");
                edit(forward(2), "<SubjectFormat>[", "<SubjectFormat>[\xB1");
                edit(forward(2), "<SMTPServer>smtp2.example.com<", "<SMTPServer><");
                break;
            default:
                break;
        }
    }
    WriteFile(sample.master, master);
    return sample.master;
}

// The report of check is the same, byte for byte and in the same order, at any number of threads: the
// master's, then the mailboxes' findings in the master's order, each file said once that many mailboxes
// name, then the monitors, all on standard output. Eight threads run three times, so that the threads take
// the mailboxes in other orders.
TEST(CheckThreads, TheReportIsTheSameAtEveryNumberOfThreads) {
    test::TempDir temp;
    const size_t mailboxes = 48;
    const std::string master = WriteFaultyInstallation(temp.path(), mailboxes);
    const ToolRun one = RunToolIn(temp.path(), temp.path(), {"check", "--jobs=1", master});
    EXPECT_EQ(std::tie(one.status, one.err), std::make_tuple(1, ""));
    EXPECT_TRUE(one.out.starts_with(master + ": The file " + master +
                                    " holds what the editor does not keep, and a save would leave it out: "
                                    "the element ResponseHandler/FutureSetting.\nMailbox 1: "))
        << one.out;
    // Every planted fault is found, and found where it was planted.
    for (size_t m = 0; m < mailboxes; ++m) {
        const bool found = one.out.find("Mailbox " + std::to_string(m) + ": ") != std::string::npos;
        EXPECT_EQ(found, m % 12 != 0) << "Mailbox " << m << "\n" << one.out;
    }
    const std::string fields = "Couldn't find the Message Fields file";
    EXPECT_NE(one.out.find(fields), std::string::npos) << one.out;
    EXPECT_EQ(one.out.find(fields), one.out.rfind(fields)) << one.out;
    EXPECT_TRUE(one.out.ends_with("+/monitor.xml: " + temp / "monitor.xml could not be read.\n")) << one.out;
    for (const char* jobs : {"2", "8", "8", "8"}) {
        const ToolRun many = RunToolIn(temp.path(), temp.path(), {"check", "-j", jobs, master});
        EXPECT_EQ(many, one) << jobs << " threads";
    }
    // Without --jobs, one thread per processor.
    const ToolRun byDefault = RunToolIn(temp.path(), temp.path(), {"check", master});
    EXPECT_EQ(byDefault, one);
    // The program itself prints the same and nothing else, whatever its threads meet first.
    const std::string out = temp / "out", err = temp / "err";
    const std::string command = "'" + std::string(POSTVANE_TOOL) + "' check -j 8 '" + master + "' >'" + out +
                                "' 2>'" + err + "' </dev/null";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(std::make_tuple(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)),
              std::make_tuple(one.status, one.out, one.err));
}

// A master of thousands of mailboxes is read on two threads, and read as one thread would: every mailbox in
// file order, and the first mailbox in file order that cannot be read stops the load with its own message,
// keeping those before it, on whichever thread each fault was met.
TEST(CheckThreads, ALargeMasterIsReadInFileOrderAndStopsAtItsFirstFault) {
    test::TempDir temp;
    const std::string master = temp / "master.xml";
    const auto load = [&](size_t badNumber, size_t duplicate) {
        std::string text = "<ResponseHandler><Mailboxes>";
        for (size_t i = 0; i < 4000; ++i) {
            const std::string name = "box" + std::to_string(i == duplicate ? 1 : i);
            text += "<Mailbox><Name>" + name + "</Name><Threads>" + (i == badNumber ? "many" : "2") +
                    "</Threads><Note/></Mailbox>";
        }
        WriteFile(master, text + "</Mailboxes></ResponseHandler>");
        MasterConfiguration config;
        config.MasterFilePath = master;
        CollectingPrompts prompts;
        config.Load(PathContext(temp.path()), prompts);
        std::vector<std::string> said;
        for (const Message& message : prompts.messages) said.push_back(message.text);
        return std::make_tuple(config.Mailboxes.size(), said);
    };
    // A window names the file: the message may come while another master is shown.
    const std::string in = " (in the file " + master + ")";
    const std::string stopped = "Unexpected error in LoadFile=";
    const std::string mismatch = stopped + "13:Type mismatch: the Threads of mailbox \"box";
    const std::string taken = stopped + "457:A mailbox named \"box1\" is already in the list" + in;
    EXPECT_EQ(load(SIZE_MAX, SIZE_MAX), std::make_tuple(size_t{4000}, std::vector<std::string>{}));
    EXPECT_EQ(load(3500, 2500), std::make_tuple(size_t{2500}, std::vector<std::string>{taken}));
    EXPECT_EQ(load(1500, 2500),
              std::make_tuple(size_t{1500},
                              std::vector<std::string>{mismatch + "1500\" \"many\" is not a number" + in}));
    EXPECT_EQ(load(3999, SIZE_MAX),
              std::make_tuple(size_t{3999},
                              std::vector<std::string>{mismatch + "3999\" \"many\" is not a number" + in}));
}

}  // namespace
}  // namespace pv
