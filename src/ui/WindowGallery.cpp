#include "ui/WindowGallery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtGlobal>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>

#include "actions/FrmShowSQL.h"
#include "actions/FrmWriteToDB.h"
#include "actions/MessageFieldsSample.h"
#include "core/HeadlessServices.h"
#include "core/History.h"
#include "core/errors.h"
#include "core/platform.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/DispositionEditors.h"
#include "dispositions/FrmChooseType.h"
#include "dispositions/FrmDispositions.h"
#include "editors/Editors.h"
#include "mailbox/CMailbox.h"
#include "mailbox/FrmMailbox.h"
#include "master/FrmAbout.h"
#include "master/FrmHelp.h"
#include "master/FrmMain.h"
#include "master/FrmOverview.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/FrmChooseMonitorType.h"
#include "monitoring/FrmMonitor.h"
#include "monitoring/MonitorEditors.h"
#include "names/frmDispositions.h"
#include "names/frmHistory.h"
#include "names/frmMain.h"

namespace pv::ui {
namespace {

// Names the pictures: the window's kind, with "-2", "-3" for its later visits unless a state is named.
class Gallery {
  public:
    explicit Gallery(const GalleryVisit& visit) : visit_(visit) {}

    void Show(Form& form, const std::string& state = {}) {
        kinds_.insert(form.kind());
        const int seen = ++seen_[form.kind()];
        std::string name = form.kind();
        if (!state.empty()) {
            name += "-" + state;
        } else if (seen > 1 || numbered) {
            name += "-" + std::to_string(seen);
        }
        visit_(form, name);
    }
    const std::set<std::string>& kinds() const { return kinds_; }
    bool Shown(const std::string& kind) const { return kinds_.count(kind) != 0; }
    // Whether the windows the dispatches open next are shown again when their kind was shown before (more
    // samples of one type), or only once (the custom editor standing in for several types).
    bool repeat = false;
    // Whether the pictures of the windows shown next are numbered from the first ("frmForwardMessage-1"),
    // as those of the disposition editors are: one per sample of their type.
    bool numbered = false;

  private:
    const GalleryVisit& visit_;
    std::map<std::string, int> seen_;
    std::set<std::string> kinds_;
};

// The dispatches open their editors through this: each is shown to the gallery and then closed.
class GalleryHost : public IWindowHost {
  public:
    explicit GalleryHost(Gallery& gallery) : gallery_(gallery) {}
    void ShowModal(Form& form) override {
        if (!form.IsClosed() && (gallery_.repeat || !gallery_.Shown(form.kind()))) gallery_.Show(form);
        form.Close();
    }

  private:
    Gallery& gallery_;
};

}  // namespace

std::set<std::string> VisitEveryWindow(IPrompts& prompts, const std::string& programDirectory,
                                       const std::string& masterCommandLine,
                                       const std::string& currentDirectory, const GalleryVisit& visit) {
    Gallery gallery(visit);
    GalleryHost windows(gallery);
    NoDialogs dialogs;
    NoLauncher launcher;
    NoClipboard clipboard;
    // The gallery shows what a first run shows: nothing remembered.
    MemorySettings settings;
    NoReview review;
    Services services{PathContext(programDirectory),
                      prompts,
                      dialogs,
                      windows,
                      launcher,
                      clipboard,
                      BuiltInEditors(),
                      settings,
                      review};

    FrmMain main(services);
    main.Open(masterCommandLine, currentDirectory);
    gallery.Show(main);
    main.UserClick(names::frmMain::cmdMoreLess);
    gallery.Show(main, "advanced");
    main.UserClick(names::frmMain::cmdMoreLess);
    FrmHelp help(services);
    gallery.Show(help);
    FrmAbout about(services, std::string("Qt ") + qVersion());
    gallery.Show(about);
    FrmOverview overview(services,
                         BuildReferenceGraph(main.savedValues(), main.FullPathToMasterConfig(),
                                             services.paths, services.editors),
                         [](const GraphNode&) {});
    gallery.Show(overview);

    // The first mailbox of each kind, on copies: nothing is stored.
    const CMailbox* server = nullptr;
    const CMailbox* maildir = nullptr;
    for (CMailbox* mailbox : main.mailboxes().Records()) {
        if (IsServerProtocol(mailbox->sProtocol)) {
            if (!server) server = mailbox;
        } else if (!maildir) {
            maildir = mailbox;
        }
    }
    for (const auto& [record, state] : {std::pair{server, "server"}, std::pair{maildir, "maildir"}}) {
        if (!record) continue;
        CMailbox copy = *record;
        FrmMailbox editor(services, main);
        editor.LoadFromObject(copy);
        gallery.Show(editor, state);
    }

    // The dispositions of every mailbox, so that each editor can be shown on one of its own type.
    std::map<std::string, std::vector<CCatDisposition>> samples;
    std::string dispositionFile;
    for (CMailbox* mailbox : main.mailboxes().Records()) {
        FrmDispositions dispositions(services, main);
        if (!dispositions.LoadFromFile(mailbox->sDispositionFileName, main.FullPathToMasterConfig()))
            continue;
        if (dispositionFile.empty()) {
            dispositionFile = dispositions.configuration().FullPath();
            gallery.Show(dispositions);
            // A category that uses its parent's dispositions.
            const auto& items = dispositions.Items(names::frmDispositions::lstCategories);
            for (size_t line = 1; line < items.size(); ++line) {
                dispositions.UserSelect(names::frmDispositions::lstCategories, {static_cast<int>(line)});
                if (dispositions.Visible(names::frmDispositions::txtUsingParent)) {
                    gallery.Show(dispositions, "using-parent");
                    break;
                }
            }
        }
        for (const auto& category : dispositions.configuration().Categories()) {
            for (const CCatDisposition& disposition : category.Dispositions) {
                auto& ofType = samples[disposition.Type];
                const bool sameFile =
                    std::any_of(ofType.begin(), ofType.end(), [&](const CCatDisposition& seen) {
                        return seen.DetailedDispositionFile == disposition.DetailedDispositionFile;
                    });
                if (!sameFile && ofType.size() < 3) ofType.push_back(disposition);
            }
        }
    }
    if (dispositionFile.empty()) return gallery.kinds();

    CCatDisposition fresh;
    fresh.DispositionFilePath = dispositionFile;
    FrmChooseType chooser(services, main);
    if (chooser.PassDispositionObject(fresh)) gallery.Show(chooser);

    // Every built-in editor, on the sample's dispositions of its type or on a file not yet written; then
    // the custom editor on each other type of the sample that has a file.
    gallery.numbered = true;
    for (const std::string& type : services.editors.Types(EditorFamily::Disposition)) {
        std::vector<CCatDisposition> records = samples[type];
        if (records.empty()) {
            CCatDisposition record;
            record.Type = type;
            record.DispositionFilePath = dispositionFile;
            record.DetailedDispositionFile = "+/" + type + ".gallery.xml";
            records.push_back(record);
        }
        for (size_t i = 0; i < records.size(); ++i) {
            gallery.repeat = i > 0;
            OpenDispositionEditor(services, main, records[i]);
        }
        gallery.repeat = false;
    }
    bool custom = false;
    for (auto& [type, records] : samples) {
        if (custom || services.editors.Find(EditorFamily::Disposition, type)) continue;
        for (CCatDisposition& record : records) {
            if (record.DetailedDispositionFile.empty()) continue;
            OpenDispositionEditor(services, main, record);
            custom = true;
            break;
        }
    }
    gallery.numbered = false;

    // The statement of the first Write To DB disposition, as its button shows it.
    std::string statement = "CREATE TABLE Messages (\r\n\tSubject varchar(255)\r\n)";
    if (!samples["WriteToDB"].empty()) {
        CCatDisposition copy = samples["WriteToDB"].front();
        FrmWriteToDB toDB(services, main);
        toDB.OpenOn(DetailedFileOf(copy));
        statement = toDB.CreateTableStatement();
    }
    FrmShowSQL sql(services, statement);
    gallery.Show(sql);

    // A Write To DB window over sixty fields of every kind: its rows must scroll and stay aligned.
    std::error_code ignored;
    const std::filesystem::path sixty =
        std::filesystem::temp_directory_path(ignored) /
        ("postvane-gallery-" + std::to_string(reinterpret_cast<std::uintptr_t>(&sql)));
    if (std::filesystem::create_directories(sixty, ignored)) {
        MessageFieldsSample fields = WriteMessageFieldsSample(sixty.string(), 60);
        FrmWriteToDB editor(services, fields.master);
        editor.OpenOn(DetailedFileOf(fields.disposition));
        if (!editor.IsClosed()) gallery.Show(editor, "60-fields");
        std::filesystem::remove_all(sixty, ignored);
    }

    // The monitors: their window, its type chooser, and an editor of each type.
    FrmMonitor monitors(services);
    monitors.LoadFromFile(main.Text(names::frmMain::txtMonitorConfigFile), main.FullPathToMasterConfig());
    gallery.Show(monitors);
    CMonitorItem newEntry;
    newEntry.MonitorFilePath = monitors.GetConfigFilePath();
    FrmChooseMonitorType monitorChooser(services);
    monitorChooser.PassMonitorObject(newEntry);
    if (!monitorChooser.IsClosed()) gallery.Show(monitorChooser);
    for (const std::string& type : MonitorTypeNames(services.editors)) {
        const EditorRegistration* editor = services.editors.Find(EditorFamily::Monitor, type);
        if (editor && !editor->make) continue;  // nothing to edit
        CMonitorItem entry;
        entry.MonitorFilePath = monitors.GetConfigFilePath();
        for (const CMonitorItem& existing : monitors.configuration().Entries) {
            if (MonitorTypeOf(services.editors, existing.ClassName) == type) {
                entry = existing;
                break;
            }
        }
        if (entry.ClassName.empty() && editor) entry.Parameter = "+/" + type + ".gallery.xml";
        OpenMonitorEditor(services, entry, type);
    }

    // The history of a monitor configuration file with two backups, the older chosen: its difference from
    // the file shows both a removal and an addition. Written to a folder of its own, at fixed times, so that
    // the picture is the same at every run.
    const std::filesystem::path historyFolder = std::filesystem::temp_directory_path(ignored) /
                                                ("postvane-gallery-history-" + std::to_string(::getpid()));
    if (std::filesystem::create_directories(historyFolder, ignored)) {
        const std::string file = (historyFolder / "monitor.xml").string();
        const auto entry = [](const std::string& className, const std::string& parameter) {
            return "\t<Monitor>\r\n\t\t<ClassName>com.ombrivo.Postvane.monitor." + className +
                   "</ClassName>\r\n\t\t<Parameter>" + parameter + "</Parameter>\r\n\t</Monitor>\r\n";
        };
        const std::string logger = entry("CLogger", "+/logging/server.log.xml");
        const std::string texts[] = {
            "<Monitors>\r\n" + logger + entry("MonitorLog4j", "") + "</Monitors>\r\n",
            "<Monitors>\r\n" + logger + "</Monitors>\r\n",
            "<Monitors>\r\n" + logger + entry("EmailMonitor", "./config/alerts.emailmonitor.xml") +
                "</Monitors>\r\n"};
        const std::pair<std::string, time_t> backups[] = {{file + ".~1~", 1796117400},
                                                          {file + ".~2~", 1796400300}};
        try {
            for (size_t i = 0; i < 2; ++i) {
                platform::ReplaceFileAtomically(backups[i].first, texts[i]);
                const timespec times[2] = {{backups[i].second, 0}, {backups[i].second, 0}};
                ::utimensat(AT_FDCWD, backups[i].first.c_str(), times, 0);
            }
            platform::ReplaceFileAtomically(file, texts[2]);
            FrmHistory history(services, HistoryLinks{file, nullptr, nullptr});
            history.UserSelect(names::frmHistory::lstBackups, {1});
            gallery.Show(history);
        } catch (const AppError&) {
            // A temporary folder that cannot be written shows no history; the window tests say it is missing.
        }
        std::filesystem::remove_all(historyFolder, ignored);
    }
    return gallery.kinds();
}

}  // namespace pv::ui
