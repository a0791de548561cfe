#include "window_timing.h"

#include <QApplication>
#include <QListWidget>

#include "actions/FrmWriteToDB.h"
#include "actions/MessageFieldsSample.h"
#include "core/HeadlessServices.h"
#include "core/LargeMemory.h"
#include "dispositions/DispositionEditors.h"
#include "dispositions/DispositionSamples.h"
#include "dispositions/FrmDispositions.h"
#include "ui/FormWindow.h"

namespace {

// The heap set up as the editor sets up its own before anything else (see editor_main.cpp).
bool EditorHeap() {
    pv::TuneHeap();
    pv::PrepareHeap(pv::kReadingHeap);
    return true;
}

// An offscreen application and services that answer nothing, for one measured window, in a process set up
// as the editor's is.
struct OffscreenWindows {
    explicit OffscreenWindows(const std::string& programDirectory)
        : heap(EditorHeap()), app(argc, argv), headless(pv::PathContext(programDirectory), prompts) {}
    bool heap;
    int argc = 3;
    char name[10] = "run_bench";
    char platform[10] = "-platform";
    char offscreen[10] = "offscreen";
    char* argv[4] = {name, platform, offscreen, nullptr};
    QApplication app;
    pv::CollectingPrompts prompts;
    pv::HeadlessServices headless;
};

}  // namespace

void OpenDispositionWindow(const pv::DispositionSample& sample, const std::string& programDirectory,
                           const std::function<void(size_t)>& shown) {
    OffscreenWindows offscreen(programDirectory);
    pv::Services& services = offscreen.headless.services;
    // As the editor opens it (QtWindowHost::ShowModalWhileLoading): built while the files are read.
    pv::FrmDispositions form(services, sample.master);
    form.StartLoading(sample.dispositionFile, sample.master.masterFilePath);
    pv::ui::FormWindow window(form);
    if (!form.FinishLoading()) return shown(0);
    window.show();
    QApplication::processEvents();
    const auto* list = window.findChild<QListWidget*>("lstCategories");
    shown(list ? static_cast<size_t>(list->count()) : 0);
}

void OpenWriteToDBWindow(pv::MessageFieldsSample& sample, const std::string& programDirectory,
                         const std::function<void(size_t)>& shown) {
    OffscreenWindows offscreen(programDirectory);
    pv::Services& services = offscreen.headless.services;
    pv::FrmWriteToDB form(services, sample.master);
    form.OpenOn(pv::DetailedFileOf(sample.disposition));
    if (form.IsClosed()) return shown(0);
    pv::ui::FormWindow window(form);
    window.show();
    QApplication::processEvents();
    // Filled: a row for every field, the first of them on screen.
    const QWidget* first = window.controlWidget("chkField(0)");
    shown(first != nullptr && first->isVisible() ? static_cast<size_t>(form.RowCount("Fields")) : 0);
}
