#include "dispositions/FrmDispositions.h"

#include <algorithm>
#include <utility>

#include "core/History.h"
#include "core/LargeMemory.h"
#include "core/ListOrder.h"
#include "core/MasterLinks.h"
#include "core/errors.h"
#include "dispositions/DispositionEditors.h"
#include "dispositions/FrmChooseType.h"
#include "names/frmDispositions.h"

namespace pv {
using namespace names::frmDispositions;

FrmDispositions::FrmDispositions(Services& services, const IMasterLinks& master)
    : Form(frmDispositions, "Category-Disposition Mappings"), services_(services), master_(master) {
    AddControl(Label1, ControlKind::Label, "Categories");
    AddControl(lstCategories, ControlKind::List);
    AddControl(Label2, ControlKind::Label, "Dispositions for selected category");
    AddControl(lstDispositions, ControlKind::List, {},
               "The list of actions (in order) that will be taken on each message that is placed into this "
               "category");
    AddControl(txtUsingParent, ControlKind::TextBox, "Using Parent").readOnly = true;
    AddControl(Label3, ControlKind::Label, "File Name:");
    AddControl(txtFileName, ControlKind::TextBox, {},
               "The configuration file containing this information (cannot be changed on this form)")
        .readOnly = true;
    AddControl(cmdAdd, ControlKind::Button, "Add",
               "Add a new disposition to this category. You will be able to either load an existing detailed "
               "disposition file or create a new one.");
    AddControl(cmdEdit, ControlKind::Button, "Edit", "Edit the selected disposition");
    AddControl(cmdDelete, ControlKind::Button, "Delete",
               "Remove the selected disposition from the list for this category.");
    AddControl(cmdUp, ControlKind::Button, "Move Up");
    AddControl(cmdDown, ControlKind::Button, "Move Down");
    AddControl(cmdUseParent, ControlKind::Button, "Use Parent",
               "Use whatever dispositions are configured for the parent of this disposition.");
    AddControl(cmdSave, ControlKind::Button, "Exit and Save Changes");
    AddHistoryButton(*this, services_, [this] {
        return HistoryLinks{configuration_.FullPath(), [this] { return changed(); },
                            [this] { LoadFromFile(Text(txtFileName), masterFilePath_); }};
    });
    AddControl(cmdCancel, ControlKind::Button, "Exit and Discard Changes");
    AddControl(cmdEscape, ControlKind::Button, "Escape").visible = false;
    // "Default" is current until the file is loaded: no parent to fall back on.
    mutableControl(txtUsingParent).visible = false;
    mutableControl(cmdUseParent).enabled = false;
    mutableControl(lstDispositions).deleteButton = cmdDelete;
    mutableControl(lstCategories).indentPerLevel = DispositionConfiguration::kTreeIndent;
    // Shown over the list when the category uses its parent's dispositions.
    mutableControl(txtUsingParent).accessibleName = "The category uses its parent's dispositions";

    OnSelect(lstCategories, [this] {
        const auto& selection = Selection(lstCategories);
        if (selection.size() == 1) SelectCategory(lineCategories_[static_cast<size_t>(selection.front())]);
    });
    OnClick(cmdAdd, [this] { Add(); });
    OnClick(cmdEdit, [this] { Edit(); });
    OnDoubleClick(lstDispositions, [this] { Edit(); });
    OnClick(cmdDelete, [this] { Delete(); });
    OnClick(cmdUp, [this] { Move(-1); });
    OnClick(cmdDown, [this] { Move(1); });
    OnClick(cmdUseParent, [this] { UseParent(); });
    OnClick(cmdSave, [this] {
        if (changed() && !SaveDispositionFile()) return;
        Close();
    });
    OnClick(cmdCancel, [this] {
        setChanged(false);
        Close();
    });
    OnClick(cmdEscape, [this] { UserRequestClose(); });
}

bool FrmDispositions::LoadFromFile(const std::string& fileName, const std::string& masterFilePath) {
    SetText(txtFileName, fileName);
    masterFilePath_ = masterFilePath;
    return TakeLoad(
        configuration_.Load(fileName, masterFilePath, master_, services_.paths, services_.prompts));
}

void FrmDispositions::StartLoading(const std::string& fileName, const std::string& masterFilePath) {
    SetText(txtFileName, fileName);
    masterFilePath_ = masterFilePath;
    reading_ = std::async(std::launch::async, [fileName, masterFilePath, links = MasterLinks::CopyOf(master_),
                                               paths = PathContext(services_.paths)] {
        PrepareHeap(kReadingHeap);
        Reading read;
        RecordingPrompts prompts;
        read.result = read.configuration.Load(fileName, masterFilePath, links, paths, prompts);
        read.said = std::move(prompts.said);
        read.asked = prompts.asked;
        return read;
    });
}

bool FrmDispositions::FinishLoading() {
    Reading read = reading_.get();
    if (read.asked) return LoadFromFile(Text(txtFileName), masterFilePath_);
    for (const Message& message : read.said) services_.prompts.Show(message);
    configuration_ = std::move(read.configuration);
    return TakeLoad(read.result);
}

void FrmDispositions::Open(Services& services, const IMasterLinks& master, const std::string& fileName,
                           const std::string& masterFilePath) {
    FrmDispositions editor(services, master);
    editor.StartLoading(fileName, masterFilePath);
    services.windows.ShowModalWhileLoading(editor, [&editor] { return editor.FinishLoading(); });
}

bool FrmDispositions::TakeLoad(const DispositionConfiguration::LoadResult& result) {
    disk_.Take(configuration_.FullPath(), result.file.fingerprint);
    if (!result.opened) {
        Close();
        return false;
    }
    FillCategoryList();
    MarkLoaded();
    return true;
}

void FrmDispositions::FillCategoryList() {
    std::vector<DispositionConfiguration::TreeLine> tree = configuration_.CategoryTree();
    std::vector<std::string> lines;
    lines.reserve(tree.size());
    lineCategories_.clear();
    lineCategories_.reserve(tree.size());
    for (auto& line : tree) {
        lines.push_back(std::move(line.text));
        lineCategories_.push_back(line.category);
    }
    SetItems(lstCategories, std::move(lines));
    SetSelection(lstCategories, {0});
    SelectCategory(lineCategories_.empty() ? 0 : lineCategories_.front());
}

void FrmDispositions::SelectCategory(size_t category) {
    current_ = category;
    FillDispositionList();
}

void FrmDispositions::FillDispositionList() {
    std::vector<std::string> lines;
    const auto& categories = configuration_.Categories();
    if (current_ < categories.size()) {
        lines.reserve(categories[current_].Dispositions.size());
        for (const CCatDisposition& disposition : categories[current_].Dispositions) {
            lines.push_back("(" + disposition.Type + ") " + disposition.DetailedDispositionFile);
        }
    }
    const bool isDefault = current_ == 0;
    SetVisible(txtUsingParent, !isDefault && lines.empty());
    SetEnabled(cmdUseParent, !isDefault);
    SetItems(lstDispositions, std::move(lines));
}

int FrmDispositions::SelectedDisposition() {
    const auto& selection = Selection(lstDispositions);
    if (selection.size() != 1) {
        services_.prompts.ShowMessage("You must select a disposition first");
        return -1;
    }
    return selection.front();
}

void FrmDispositions::Add() {
    try {
        CCatDisposition disposition;
        disposition.DispositionFilePath = configuration_.FullPath();
        FrmChooseType::ChooseAndOpen(services_, master_, disposition);
        // Only a record that a detailed editor (or the dispatch) stored something into is kept.
        if (!disposition.Changed) return;
        std::vector<CCatDisposition> before = Current();
        Current().push_back(std::move(disposition));
        setChanged(true);
        FillDispositionList();
        RecordDispositions(current_, std::move(before), -1, static_cast<int>(Current().size()) - 1);
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error adding=", error));
    }
}

void FrmDispositions::Edit() {
    const int line = SelectedDisposition();
    if (line < 0) return;
    std::vector<CCatDisposition> before = Current();
    CCatDisposition& disposition = Current()[static_cast<size_t>(line)];
    // The mark may be set already (a disposition added since the load): only what the editor changes now
    // is a step to undo.
    const bool markedBefore = disposition.Changed;
    disposition.Changed = false;
    try {
        OpenDispositionEditor(services_, master_, disposition);
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error editing=", error));
    }
    if (disposition.Changed) {
        setChanged(true);
        RecordDispositions(current_, std::move(before), line, line);
    }
    disposition.Changed = disposition.Changed || markedBefore;
    FillDispositionList();
    SetSelection(lstDispositions, {line});
}

void FrmDispositions::Delete() {
    const int line = SelectedDisposition();
    if (line < 0) return;
    auto& dispositions = Current();
    std::vector<CCatDisposition> before = dispositions;
    dispositions.erase(dispositions.begin() + line);
    setChanged(true);
    FillDispositionList();
    const int next = RowAfterRemoval(line, static_cast<int>(dispositions.size()));
    if (next >= 0) SetSelection(lstDispositions, {next});
    // Deleting asks nothing: undo is the way back.
    RecordDispositions(current_, std::move(before), line, next);
}

void FrmDispositions::Move(int step) {
    const int line = SelectedDisposition();
    if (line < 0) return;
    std::vector<CCatDisposition> before = Current();
    if (!MoveListItem(Current(), line, step, services_.prompts)) return;
    setChanged(true);
    FillDispositionList();
    SetSelection(lstDispositions, {line + step});
    RecordDispositions(current_, std::move(before), line, line + step);
}

void FrmDispositions::UseParent() {
    if (current_ == 0) return;  // "Default" has no parent; the button is disabled there
    if (Current().empty()) return;
    std::vector<CCatDisposition> before = std::move(Current());
    Current().clear();
    FillDispositionList();
    setChanged(true);
    RecordDispositions(current_, std::move(before), 0, -1);
}

void FrmDispositions::RecordDispositions(size_t category, std::vector<CCatDisposition> before, int lineBefore,
                                         int lineAfter) {
    RecordChange(
        [this, category, before = std::move(before), lineBefore] {
            configuration_.Categories()[category].Dispositions = before;
            ShowDispositions(category, lineBefore);
        },
        [this, category, after = Current(), lineAfter] {
            configuration_.Categories()[category].Dispositions = after;
            ShowDispositions(category, lineAfter);
        });
}

void FrmDispositions::ShowDispositions(size_t category, int line) {
    const auto shown = std::find(lineCategories_.begin(), lineCategories_.end(), category);
    if (shown != lineCategories_.end()) {
        SetSelection(lstCategories, {static_cast<int>(shown - lineCategories_.begin())});
    }
    SelectCategory(category);
    if (line >= 0) SetSelection(lstDispositions, {line});
}

bool FrmDispositions::SaveDispositionFile() {
    // The user may have changed the types files while the window was open (the chooser reads them afresh).
    configuration_.ReadTypesAgain(master_, masterFilePath_, services_.paths);
    FileSave save = configuration_.Saving(services_.paths, services_.prompts);
    save.disk = &disk_;
    save.backup = EditorBackups(services_.settings);
    save.reload = [this] { LoadFromFile(Text(txtFileName), masterFilePath_); };
    save.written = [this, model = save.written] {
        model();
        MarkSaved();
    };
    return RunSave(save, services_) == SaveOutcome::Written;
}

bool FrmDispositions::QueryClose() {
    return AskBeforeDiscarding(services_.prompts, kSaveChangesQuestion,
                               [this] { return SaveDispositionFile(); });
}

}  // namespace pv
