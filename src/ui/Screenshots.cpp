#include "ui/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>

#include "actions/FrmShowSQL.h"
#include "actions/FrmWriteToDB.h"
#include "actions/MessageFieldsSample.h"
#include "cli/StreamPrompts.h"
#include "core/EditorDispatch.h"
#include "core/HeadlessServices.h"
#include "dispositions/FrmChooseType.h"
#include "dispositions/FrmDispositions.h"
#include "mailbox/FrmMailbox.h"
#include "master/FrmMain.h"
#include "monitoring/CMonitorItem.h"
#include "monitoring/FrmChooseMonitorType.h"
#include "monitoring/FrmMonitor.h"
#include "monitoring/MonitorDispatch.h"
#include "ui/FormWindow.h"

namespace pv::ui {
namespace {

class Renderer {
public:
    explicit Renderer(std::string folder) : folder_(std::move(folder)) {}

    void Shoot(FormWindow& window, const std::string& name) {
        window.show();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        const std::string path = folder_ + "/" + name + ".png";
        if (window.grab().save(QString::fromStdString(path))) {
            std::cout << path << "\n";
        } else {
            std::cerr << "Could not write " << path << "\n";
            failed_ = true;
        }
    }
    // A window of its own for a form, shown and photographed, then closed.
    void Shoot(Form& form, const std::string& name) {
        FormWindow window(form);
        Shoot(window, name);
        window.hide();
    }
    bool failed() const { return failed_; }

private:
    std::string folder_;
    bool failed_ = false;
};

// A Write To DB window over a catalogue of sixty fields of every kind, a third of them checked: the rows must
// scroll and stay aligned.
void ShootSixtyFields(Services& services, Renderer& renderer, const std::string& folder) {
    const std::string base = folder + "/sixty-fields";
    std::filesystem::create_directories(base);
    MessageFieldsSample sample = WriteMessageFieldsSample(base, 60);
    FrmWriteToDB editor(services, sample.master);
    editor.PassDispositionObject(sample.disposition);
    renderer.Shoot(editor, "frmWriteToDB-60-fields");
    std::filesystem::remove_all(base);
}

}  // namespace

int RenderScreenshots(const std::string& folder, const std::string& commandLineText,
                      const std::string& programDirectory, const std::string& currentDirectory) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    // Nothing is chosen, started or opened while rendering: the windows show the files as they are.
    StreamPrompts prompts(std::cerr);
    NoDialogs dialogs;
    NoWindows windows;
    NoLauncher launcher;
    NoClipboard clipboard;
    Services services{PathContext(programDirectory), prompts, dialogs, windows, launcher, clipboard};
    Renderer renderer(folder);

    FrmMain main(services);
    FormWindow mainWindow(main);
    main.Open(commandLineText, currentDirectory);
    renderer.Shoot(mainWindow, "frmMain");
    main.UserClick("cmdMoreLess");
    renderer.Shoot(mainWindow, "frmMain-advanced");
    main.UserClick("cmdMoreLess");

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
    for (const auto& [record, name] : {std::pair{server, "frmMailbox-server"}, std::pair{maildir, "frmMailbox-maildir"}}) {
        if (!record) continue;
        CMailbox copy = *record;
        FrmMailbox editor(services, main);
        editor.LoadFromObject(copy);
        renderer.Shoot(editor, name);
    }

    if (server) {
        FrmDispositions dispositions(services, main);
        if (dispositions.LoadFromFile(server->sDispositionFileName, main.FullPathToMasterConfig())) {
            FormWindow window(dispositions);
            renderer.Shoot(window, "frmDispositions");
            // A category that uses its parent's dispositions.
            const auto& items = dispositions.Items("lstCategories");
            for (size_t line = 1; line < items.size(); ++line) {
                dispositions.UserSelect("lstCategories", {static_cast<int>(line)});
                if (dispositions.Visible("txtUsingParent")) {
                    renderer.Shoot(window, "frmDispositions-using-parent");
                    break;
                }
            }
            window.hide();

            CCatDisposition fresh;
            fresh.DispositionFilePath = dispositions.configuration().FullPath();
            FrmChooseType chooser(services, main);
            if (chooser.PassDispositionObject(fresh)) renderer.Shoot(chooser, "frmChooseType");

            // The detailed editor of each disposition of the file, through the dispatch's own choice of window:
            // up to three of each window, numbered in file order.
            std::map<std::string, int> shots;
            for (const auto& category : dispositions.configuration().Categories()) {
                for (const CCatDisposition& disposition : category.Dispositions) {
                    const auto& types = dispositions.configuration().Types();
                    std::string form = BuiltInEditorFor(disposition.Type);
                    if (form.empty() && types.RequiresDetailedFile(disposition.Type).value_or(false)) form = "frmCustom";
                    const DispositionEditorCreator creator = RegisteredDispositionEditor(form);
                    if (!creator) continue;
                    CCatDisposition copy = disposition;
                    const std::unique_ptr<IDispositionEditor> editor = creator(services, main);
                    int& shot = shots[editor->window().kind()];
                    if (shot == 3) continue;
                    editor->PassDispositionObject(copy);
                    renderer.Shoot(editor->window(), editor->window().kind() + "-" + std::to_string(++shot));
                    // The statement of the first Write To DB file, as its button shows it.
                    if (auto* toDB = dynamic_cast<FrmWriteToDB*>(&editor->window()); toDB && shot == 1) {
                        FrmShowSQL sql(services, toDB->CreateTableStatement());
                        renderer.Shoot(sql, "frmShowSQL");
                    }
                }
            }
        }
    }

    // The monitor configuration of the master, its type chooser, and the editor of each of its monitors.
    FrmMonitor monitor(services);
    monitor.LoadFromFile(main.Text("txtMonitorConfigFile"), main.FullPathToMasterConfig());
    renderer.Shoot(monitor, "frmMonitor");
    CMonitorItem fresh;
    FrmChooseMonitorType monitorChooser(services);
    monitorChooser.PassMonitorObject(fresh);
    renderer.Shoot(monitorChooser, "frmChooseMonitorType");
    for (const CMonitorItem& entry : monitor.configuration().Entries) {
        const MonitorType* type = MonitorTypeWithFile(entry.ClassName);
        const std::string formName = type ? type->formName : "frmCustomMonitor";
        if (MonitorTypeOf(entry.ClassName) == "Log4j") continue;
        CMonitorItem copy = entry;
        const std::unique_ptr<IMonitorEditor> editor = CreateMonitorEditor(services, formName);
        editor->PassMonitorObject(copy);
        renderer.Shoot(editor->window(), formName);
    }
    ShootSixtyFields(services, renderer, folder);
    return renderer.failed() ? 1 : 0;
}

}  // namespace pv::ui
