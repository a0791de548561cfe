#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ConfigFile.h"
#include "core/MasterLinks.h"
#include "core/SaveSequence.h"
#include "master/MailboxCollection.h"

namespace pv {

class IPrompts;
class PathContext;

inline constexpr const char* kDefaultMasterFile = ".\\config\\master.xml";

// The master configuration file: the files it names, the one-pass flag and the mailboxes.
struct MasterConfiguration {
    std::string MasterFilePath = kDefaultMasterFile;
    std::string MonitorConfigFile = "+/monitor.xml";
    std::string DispositionTypesFile1 = "+/dispositionTypes.xml";
    std::string DispositionTypesFile2;
    std::string CategoryDefinitionsFile1 = "+/categoryDefinitions.xml";
    std::string CategoryDefinitionsFile2;
    std::string MessageFieldsFile1 = "+/MessageFields.xml";
    std::string MessageFieldsFile2;
    bool OnePass = false;
    std::string CategorizationOverridesFile;
    MailboxCollection Mailboxes;

    // Reads the file named by MasterFilePath (resolved against the program directory), field by field, into
    // this model (the mailboxes read replace those it held). Reports its failures through `prompts`: a
    // missing file, one that cannot be read (the model then stays as it was), one that is not well-formed or
    // not a master file (read as empty: defaults), and an error that stopped the reading part-way
    // ("Unexpected error in LoadFile="; the values read so far are kept).
    FileRead Load(const PathContext& paths, IPrompts& prompts);
    // The same for a file already opened (the tool opens a file once to learn its kind).
    FileRead Load(OpenedFile file, IPrompts& prompts);

    // The whole file text; stored paths are made relative to `referringFile`. Clears every mailbox's Changed.
    std::string WriteText(const std::string& referringFile, const PathContext& paths, IPrompts& prompts);
    // The save of the file (see RunSave): its text, stored paths made relative to `referringFile`, and what
    // the last load left unread, which the save would leave out. Whoever knows more of the file (the main
    // window) adds what else a save would leave out and the changed-on-disk question.
    FileSave Saving(const std::string& referringFile, const PathContext& paths, IPrompts& prompts);

    // For a window that loaded the file into another model and shows it in this one: what that load left
    // unread is what this model's save would lose.
    void TakeWhatWasNotKept(const MasterConfiguration& loaded) {
        notKept_ = loaded.notKept_;
        notKeptHolders_ = loaded.notKeptHolders_;
        changedValues_ = loaded.changedValues_;
    }

    static void CreateSkeleton(const std::string& fullPath);
    static std::string SkeletonText();

  private:
    // What the last load left unread that a save would leave out, naming the mailboxes that held it as they
    // are now; nullopt when the load left nothing unread, or a save since wrote the file.
    std::optional<Loss> WhatASaveLeavesOut() const;

    // What the last load left unread, and the mailboxes that hold it: those (the records themselves) are
    // named at each save as they are then, renamed or removed from the list.
    std::optional<NotKeptContent> notKept_;
    std::vector<std::shared_ptr<CMailbox>> notKeptHolders_;
    // "Mailbox "Sales": Threads=2.5 (written as 2)": what the last load read as another value.
    std::vector<std::string> changedValues_;
};

// The links of a master file as loaded (for windows and tools that work without the main window).
MasterLinks LinksOf(const MasterConfiguration& master, const PathContext& paths);

}  // namespace pv
