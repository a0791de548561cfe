#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/DiskChangeGuard.h"
#include "core/MasterLinks.h"
#include "core/form.h"
#include "core/message.h"
#include "core/services.h"
#include "master/MasterConfiguration.h"

namespace pv {

class CMailbox;
struct GraphNode;

inline constexpr const char* kMainCaption = "Main Configuration";
inline constexpr const char* kDefaultsShownSuffix = " - defaults shown: the file could not be read";
inline constexpr const char* kIncompleteSuffix = " - incomplete: the file could not be read to the end";

// The master file the startup choice opens, read before the window takes it: on another thread while the
// toolkit starts, as a 10,000-mailbox file takes as long to read as the toolkit to start.
struct StartupMaster {
    std::string masterText;  // the name the window loads it by; "" when there was none to read
    std::string masterPath;  // what that name resolved to
    MasterConfiguration loaded;
    FileRead result;
    std::vector<Message> said;  // what the reading reported, in order, shown when the window takes it
    bool asked = false;         // the reading asked a question, which only the window may: read there again
};

// "Main Configuration": the startup window. It shows one master file, the files it names and its mailboxes,
// and writes the file on Save and after every mailbox operation.
class FrmMain : public Form, public IMasterLinks {
  public:
    explicit FrmMain(Services& services);

    // The startup choice, run once the window is shown: the master file of the command line when it names
    // an existing file, else ".\config\master.xml" when that exists, else the master-file dialog at once.
    void Open(const std::string& commandLineText, const std::string& currentDirectory);
    // The same, with the file read already; what was read is taken when it is the file the choice opens,
    // else that file is read now.
    void Open(const std::string& commandLineText, const std::string& currentDirectory, StartupMaster read);
    // Reads the file Open would open first, touching no window and no prompt: safe on another thread, given
    // its own `paths`.
    static StartupMaster ReadStartupMaster(const PathContext& paths, const std::string& commandLineText,
                                           const std::string& currentDirectory);

    // The versions of the libraries the window toolkit adds, for the About window ("Qt 6.4.2").
    void SetToolkitVersion(const std::string& version) { toolkitVersion_ = version; }
    // Whether the advanced area is unfolded; the view keeps it between runs.
    bool advancedShown() const { return advancedShown_; }

    // IMasterLinks
    std::string FullPathToMasterConfig() const override;
    std::string DispositionTypesFile(int which) const override;
    std::string CategoryDefinitionsFile(int which) const override;
    std::string MessageFieldsFile(int which) const override;

    // Writes the master file from the saved values and the mailboxes. While the window shows a file it could
    // not read (wholly), it first asks whether to overwrite that file. True when the file was written;
    // otherwise the window is marked changed, since it holds what the file lacks.
    bool saveMaster();
    // Says that no master file is open, when none is: nothing can be written.
    bool SaysNoMasterFile();

    MailboxCollection& mailboxes() { return master_.Mailboxes; }
    // What saveMaster writes (the values last committed, and the live mailboxes).
    const MasterConfiguration& savedValues() const { return master_; }
    // The last load found a file that is not well-formed XML or not a master file: the values shown are
    // defaults.
    bool showingDefaults() const { return loaded_ != FileProblem::None && loaded_ != FileProblem::Stopped; }
    // The last load stopped part-way: the mailboxes after the failing one are not loaded.
    bool loadIncomplete() const { return loaded_ == FileProblem::Stopped; }

  protected:
    bool QueryClose() override;

  private:
    // Reads the master file named by `masterText` into the window; false (reported) when it could not be read
    // at all, the window then unchanged.
    bool LoadFile(const std::string& masterText);
    // Shows `loaded`, read from `masterText` with `result`; false (the window unchanged) when it could not be
    // read at all.
    bool ShowFile(const std::string& masterText, MasterConfiguration& loaded, const FileRead& result);
    void CommitFields();
    // The values the boxes show, written into `master` (the rest of it, its mailboxes, left as they are).
    void ShownFieldsInto(MasterConfiguration& master) const;
    // The first file name box whose name begins or ends with a blank, which the master does not keep: read
    // back, it would name another file. Shows the advanced settings when the box is among them.
    std::optional<Message> FileNameWithBlankEnds();
    // The Save button: the shown values committed and written.
    bool SaveShown();
    // The unsaved-changes question before edits would be discarded; false when the user keeps them.
    bool ConfirmDiscard();
    void FillMailboxList();
    // The mailbox list shown anew with these lines selected (after an undo or redo of a mailbox operation).
    void ShowMailboxes(const std::vector<std::string>& selected);
    // Whether the boxes show the values last committed, which saveMaster writes.
    bool ShownIsCommitted() const;
    // What the window shows of the file it loaded (or wrote): its caption says when it is not all of it.
    void ShowLoaded(FileProblem problem);
    // The question before a save replaces a file the window could not read (wholly).
    std::string UnreadFileQuestion() const;
    // The window with no master file: nothing is written until one is chosen.
    void ShowNoFile();

    void ToggleAdvanced();
    // The recent masters in the file box's list, and opening the one chosen there.
    void ShowRecentMasters();
    void OpenRecentMaster();
    void AddMailbox();
    void EditMailbox();
    void DeleteMailbox();
    std::shared_ptr<CMailbox> RecordOfEntry(int index) const;
    // Opens the mailbox editor on `record` until it closes; true when the user stored the record. `unstored`:
    // the record holds edits this window refused, which closing the editor asks before discarding.
    bool RunMailboxEditor(CMailbox& record, bool unstored = false);
    // Adds the record under its name; while the name is taken, says so and opens the editor again. False
    // when the user discarded it there.
    bool TakeIntoCollection(const std::shared_ptr<CMailbox>& record);

    void BrowseCatalogue(const std::string& textBox, const std::string& pattern, const std::string& filter,
                         const std::string& title, const std::string& defaultName);
    void BrowseMonitorConfig();
    // The master-file dialog, starting at `suggested` when its folder exists; then the chosen file is opened.
    void BrowseMasterConfig(const std::string& suggested = {});
    // Opens another master once the user has said what becomes of the open one; `beforeLoading` runs then,
    // and false from it opens nothing.
    void OpenOtherFile(const std::string& masterText, const std::function<bool()>& beforeLoading = {});
    void EditMonitorConfig();
    void ShowOverview();
    // Opens what a node of the Overview stands for; returns the id of the node that stands for it now when
    // that changed (a mailbox renamed), else "".
    std::string OpenFromOverview(const GraphNode& node);
    std::string ResolveAgainstMaster(const std::string& storedPath) const;

    Services& services_;
    // The saved values, and the live mailbox collection in its Mailboxes.
    MasterConfiguration master_;
    bool advancedShown_ = false;
    std::string toolkitVersion_;
    FileProblem loaded_ = FileProblem::None;
    DiskChangeGuard disk_;
};

}  // namespace pv
