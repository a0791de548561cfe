#include "monitoring/FrmHistoricalCharts.h"

#include "core/errors.h"
#include "core/filechoice.h"
#include "core/platform.h"
#include "monitoring/MonitorEditors.h"
#include "names/frmHistoricalCharts.h"

namespace pv {
using namespace names::frmHistoricalCharts;

namespace {

constexpr const char* kOutputTip = "The directory that the images and html files are written to.";
constexpr const char* kDataTip = "The directory that the internal data files stored by stored in.";

}  // namespace

FileEditorSetup FrmHistoricalCharts::Setup() {
    return MonitorFileSetup("HistoricalCharts", kHistoricalChartsClass, frmHistoricalCharts,
                            "Historical Charts Settings", "reports", "Historical Charts", "HistoricalCharts");
}

FrmHistoricalCharts::FrmHistoricalCharts(Services& services) : FileEditorForm(services, Setup()) {
    AddLabelledTextBox(Label2, "Output Directory:", txtOutputDirectory, kOutputTip);
    AddControl(cmdBrowseOutputDir, ControlKind::Button, "...", kOutputTip).accessibleName =
        "Choose the output directory";
    AddLabelledTextBox(Label3, "Data Directory:", txtDataDirectory, kDataTip);
    AddControl(cmdBrowseDataDir, ControlKind::Button, "...", kDataTip).accessibleName =
        "Choose the data directory";

    // Both are written relative to this file ("+/..." below its folder); neither needs to exist.
    FolderSetting("OutputDirectory", txtOutputDirectory, "./output/reports");
    FolderSetting("DataDirectory", txtDataDirectory, "./output/data");

    OnClick(cmdBrowseOutputDir, [this] {
        BrowseDirectory(txtOutputDirectory, ".\\output\\reports",
                        "Choose the directory where charts images and html files should be written.");
    });
    OnClick(cmdBrowseDataDir, [this] {
        BrowseDirectory(txtDataDirectory, ".\\output\\data",
                        "Choose the directory where the internal data files should be stored.");
    });
}

void FrmHistoricalCharts::BrowseDirectory(const std::string& textBox, const std::string& fallback,
                                          const std::string& title) {
    try {
        const std::string file = GetConfigFilePath();
        // The folder named, else the usual one, else beside this file.
        const std::string start =
            DialogStartFolder(services_, "",
                              {services_.paths.ResolvePath(file, Text(textBox)),
                               services_.paths.ResolvePath(file, fallback), platform::ParentFolder(file)});
        const std::string chosen = services_.dialogs.ChooseFolder(title, start);
        if (chosen.empty()) return;
        RememberDialogFolder(services_, chosen, true);
        SetText(textBox, StoredNameOfChosen(services_, true, chosen, file));
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
    }
}

}  // namespace pv
