#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/services.h"

namespace pv {

class CMailbox;
class IMasterLinks;

inline constexpr const char* kMultipleCategorizationFiles = "*MULTIPLE - Configure in xml file directly*";

// "Mailbox Configuration": edits one mailbox record in place. It writes no file; the main window reads the
// record's Changed after the window has closed and writes the master file itself.
class FrmMailbox : public Form {
  public:
    // `master` gives the master file's full path, the base of every "+" name this window checks or stores.
    FrmMailbox(Services& services, const IMasterLinks& master);

    // Keeps the record and fills the controls from it; the window is unchanged afterwards.
    void LoadFromObject(CMailbox& mailbox);
    // What the controls show was never stored (the record holds edits the main window refused to take):
    // the window counts as changed, so that closing it asks before discarding them.
    void MarkUnstored() { MarkFileDiffers(); }
    // The checks of "Save and Exit", then the store into the record. False, after showing the first failing
    // check's message, when a check failed.
    bool SaveToRecord();

    // The checks of "Save and Exit" in their order, on the controls as they are: the first that fails (its
    // message and the control at fault), or nullopt. Each of the five timing numbers goes into `numbers` as
    // soon as it passes (as "Save and Exit" does); with null nothing is stored anywhere.
    std::optional<Message> CheckFields(CMailbox* numbers) const;
    // The files the mailbox names that are not there (or are folders): CheckFields says the first of them,
    // after the faults it finds before.
    std::vector<Message> FileFaults() const;

    // The protocol name of the selected option, or "" when none is selected.
    std::string SelectedProtocol() const;

  protected:
    bool QueryClose() override;

  private:
    void ShowFrames();
    // Says which of the record's values that one-line boxes show hold a line break (LineBreakInOneLineBox).
    void ShowLineBreaks(const CMailbox& mailbox);
    void BrowseCategorization();
    void BrowseDisposition();
    void EditDispositions();
    std::string Resolve(const std::string& storedPath) const;

    Services& services_;
    const IMasterLinks& master_;
    CMailbox* mailbox_ = nullptr;
};

}  // namespace pv
