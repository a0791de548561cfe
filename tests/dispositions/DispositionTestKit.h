#pragma once
// What the dispositions tests share: fixture folders copied to a temporary folder, the master links that
// name their catalogues, and stand-in detailed editors that do what a script tells them.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/EditorRegistry.h"
#include "core/MasterLinks.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/DispositionEditors.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv::test {

// Copies tests/data/dispositions/<name> into `dir`.
inline void CopyFixture(const std::string& name, const TempDir& dir) {
    std::filesystem::copy(TestData("dispositions/" + name), dir.path(),
                          std::filesystem::copy_options::recursive);
}

// The links of a master file in `dir` that names the usual catalogue files beside it.
inline MasterLinks LinksIn(const TempDir& dir) {
    MasterLinks links;
    links.masterFilePath = dir / "master.xml";
    links.dispositionTypes[0] = "+/dispositionTypes.xml";
    links.categoryDefinitions[0] = "+/categoryDefinitions.xml";
    if (!std::filesystem::exists(links.masterFilePath)) WriteFile(links.masterFilePath, "<ResponseHandler/>");
    return links;
}

// A detailed editor that only holds the record; the window script decides what it stores.
class FakeDetailedEditor : public FileEditorForm {
  public:
    FakeDetailedEditor(Services& services, FileEditorSetup setup)
        : FileEditorForm(services, std::move(setup)) {}
    void OpenOn(FileReference opened) override { record = opened; }
    FileReference record;
};

inline FileReference& RecordOf(Form& form) {
    return dynamic_cast<FakeDetailedEditor&>(form).record;
}

// Scripts for ScriptedWindows::Expect: the user chose (or created) a file in the editor's first step...
inline std::function<void(Form&)> StoresFile(const std::string& storedName) {
    return [storedName](Form& form) {
        *RecordOf(form).storedName = storedName;
        *RecordOf(form).changed = true;
        form.Close();
    };
}
// ...or cancelled it and closed the editor.
inline std::function<void(Form&)> ClosesUntouched() {
    return [](Form& form) { form.Close(); };
}

// Puts stand-ins in place of the registered editors of these windows, in the services' own registry.
inline void UseFakeEditors(ScriptedServices& s, const std::vector<std::string>& windows) {
    for (EditorRegistration& editor : s.editors.editors) {
        if (std::find(windows.begin(), windows.end(), editor.setup.formName) == windows.end()) continue;
        editor.make = [setup = editor.setup](Services& services, const IMasterLinks&) {
            return std::make_unique<FakeDetailedEditor>(services, setup);
        };
    }
}

// A socket is there as a file but cannot be opened for reading, even by root: an unreadable file for tests
// that may run as root.
class SocketFile {
  public:
    explicit SocketFile(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~SocketFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool bound() const { return bound_; }

  private:
    int fd_;
    bool bound_ = false;
};

}  // namespace pv::test
