#pragma once
#include <string>

#include "core/MasterLinks.h"
#include "core/platform.h"
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

    enum class LoadOutcome {
        Missing,     // nothing at that path; nothing changed
        Unreadable,  // something is there that could not be read at all (a folder, a pipe, no permission);
                     // nothing changed
        Complete,    // every value read (a file that is not a master file reads as defaults)
        Stopped,     // an error stopped the reading part-way; the values read so far are kept
    };
    struct LoadResult {
        LoadOutcome outcome = LoadOutcome::Missing;
        // false: the file is not well-formed XML, or its root element is not ResponseHandler; it was read
        // as empty and defaults were used
        bool readAsMaster = true;
        // What was read, when the outcome is Complete or Stopped.
        platform::FileFingerprint read;
    };

    // Reads the file named by MasterFilePath (resolved against the program directory), field by field, into
    // this model (the mailboxes read replace those it held). Reports its failures through `prompts`: a
    // missing file, one that cannot be read, one that is not well-formed or not a master file, and an error
    // that stopped the reading ("Unexpected error in LoadFile=").
    LoadResult Load(const PathContext& paths, IPrompts& prompts);

    // The whole file text; stored paths are made relative to `referringFile`. Clears every mailbox's Changed.
    std::string WriteText(const std::string& referringFile, const PathContext& paths, IPrompts& prompts);
    // Writes the file and shows "Saved", or "Error saving=" with the error; returns success.
    bool Save(const std::string& referringFile, const PathContext& paths, IPrompts& prompts);

    static void CreateSkeleton(const std::string& fullPath);
    static std::string SkeletonText();
};

// The links of a master file as loaded (for windows and tools that work without the main window).
MasterLinks LinksOf(const MasterConfiguration& master, const PathContext& paths);

}  // namespace pv
