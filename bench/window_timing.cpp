#include "window_timing.h"

#include <QApplication>
#include <QListWidget>

#include "core/HeadlessServices.h"
#include "dispositions/DispositionSamples.h"
#include "dispositions/FrmDispositions.h"
#include "ui/FormWindow.h"

size_t OpenDispositionWindow(const pv::DispositionSample& sample, const std::string& programDirectory) {
    int argc = 3;
    char name[] = "run_bench";
    char platform[] = "-platform";
    char offscreen[] = "offscreen";
    char* argv[] = {name, platform, offscreen, nullptr};
    QApplication app(argc, argv);
    pv::CollectingPrompts prompts;
    pv::NoDialogs dialogs;
    pv::NoWindows windows;
    pv::NoLauncher launcher;
    pv::NoClipboard clipboard;
    pv::Services services{pv::PathContext(programDirectory), prompts, dialogs, windows, launcher, clipboard};
    pv::FrmDispositions form(services, sample.master);
    if (!form.LoadFromFile(sample.dispositionFile, sample.master.masterFilePath)) return 0;
    pv::ui::FormWindow window(form);
    window.show();
    QApplication::processEvents();
    const auto* list = window.findChild<QListWidget*>("lstCategories");
    return list ? static_cast<size_t>(list->count()) : 0;
}
