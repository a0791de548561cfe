#include "cli/CheckCommand.h"

#include <ostream>
#include <vector>

#include "cli/ConfigTool.h"
#include "cli/StreamPrompts.h"
#include "core/errors.h"
#include "core/services.h"
#include "mailbox/CMailbox.h"
#include "mailbox/FrmMailbox.h"
#include "master/FrmMain.h"
#include "master/MasterConfiguration.h"
#include "master/MasterLinks.h"

namespace pv {
namespace {

// What the mailbox editor says while it is filled from a record ("Unknown protocol=..."), kept for the
// report instead of being shown.
class CollectingPrompts : public IPrompts {
public:
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    Answer AskYesNo(const std::string&, const std::string&) override { return Answer::No; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
};

// The checks open no dialog and no window; should one ever try, it is refused rather than shown.
class NoDialogs : public IFileDialogs {
public:
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::string ChooseFolder(const std::string&) override { return std::string(); }
};

class NoWindows : public IWindowHost {
public:
    void ShowModal(Form& form) override { form.Close(); }
};

class NoLauncher : public IProcessLauncher {
public:
    bool Launch(const std::string&, const std::vector<std::string>&, const std::string&) override {
        return false;
    }
};

}  // namespace

int RunCheck(const std::string& masterArgument, std::ostream& out, std::ostream& err,
             const ToolEnvironment& environment) {
    const PathContext paths(environment.programDirectory);
    StreamPrompts loadPrompts(err);
    MasterConfiguration master;
    master.MasterFilePath = CommandLineMasterPath(masterArgument, environment.currentDirectory);
    const auto loaded = master.Load(paths, loadPrompts);
    bool failed = loaded.outcome != MasterConfiguration::LoadOutcome::Complete || !loaded.wellFormed;
    if (loaded.outcome == MasterConfiguration::LoadOutcome::Missing) return 1;

    MasterLinks links;
    links.masterFilePath = paths.MakeAbsolutePath(master.MasterFilePath);
    links.dispositionTypes[0] = master.DispositionTypesFile1;
    links.dispositionTypes[1] = master.DispositionTypesFile2;
    links.categoryDefinitions[0] = master.CategoryDefinitionsFile1;
    links.categoryDefinitions[1] = master.CategoryDefinitionsFile2;
    links.messageFields[0] = master.MessageFieldsFile1;
    links.messageFields[1] = master.MessageFieldsFile2;

    CollectingPrompts prompts;
    NoDialogs dialogs;
    NoWindows windows;
    NoLauncher launcher;
    Services services{paths, prompts, dialogs, windows, launcher};
    // The mailboxes read before a load stopped part-way are checked too: their faults are worth knowing.
    for (const CMailbox* record : master.Mailboxes.Records()) {
        CMailbox copy = *record;
        FrmMailbox editor(services, links);
        prompts.messages.clear();
        editor.LoadFromObject(copy);
        const auto failure = editor.CheckFields(nullptr);
        if (failure) prompts.messages.push_back(*failure);
        for (const auto& message : prompts.messages) out << record->sName << ": " << message << "\n";
        if (failure) failed = true;
    }
    out.flush();
    return failed ? 1 : 0;
}

}  // namespace pv
