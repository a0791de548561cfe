#pragma once
// A disposition file in a temporary folder with a "dispose" folder beside it, and a record pointing into it:
// what every detailed editor test starts from.
#include <map>
#include <memory>
#include <string>

#include "core/EditorRegistry.h"
#include "core/MasterLinks.h"
#include "dispositions/CCatDisposition.h"
#include "dispositions/DispositionEditors.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv::test {

struct DetailedEditorKit {
    TempDir dir;
    ScriptedServices s{dir.path()};
    CCatDisposition record;

    explicit DetailedEditorKit(const std::string& type = "ForwardMessage") {
        WriteFile(DispositionFile(), "<Dispositions>\r\n</Dispositions>\r\n\r\n");
        std::filesystem::create_directories(dir / "dispose");
        record.Type = type;
        record.DispositionFilePath = DispositionFile();
    }
    std::string DispositionFile() const { return dir / "dispositions.xml"; }
    std::string Dispose(const std::string& name) const { return dir / ("dispose/" + name); }

    // Puts `bytes` into dispose/<name> and names it in the record, as the dispositions editor would.
    std::string Place(const std::string& name, const std::string& bytes) {
        WriteFile(Dispose(name), bytes);
        record.DetailedDispositionFile = "+/dispose/" + name;
        return Dispose(name);
    }
    std::string PlaceData(const std::string& name, const std::string& dataFile) {
        return Place(name, ReadFile(TestData(dataFile)));
    }
    // Opens `editor` on the record, which names no file yet, and answers its first step, the chooser, with
    // the new file dispose/<name>; returns that file's path.
    std::string OpenOnNewFile(FileEditorBase& editor, const std::string& name) {
        const std::string file = Dispose(name);
        s.dialogs.AnswerFile(file);
        editor.OpenOn(DetailedFileOf(record));
        return file;
    }
    // The editor the dispatch opens for a type.
    std::unique_ptr<FileEditorForm> EditorOf(const std::string& type) {
        return s.editors.Find(EditorFamily::Disposition, type)->make(s.services, MasterLinks());
    }
};

// The text of a detailed file that holds `elements`.
inline std::string DispositionWith(const std::string& elements) {
    return "<Disposition>" + elements + "</Disposition>";
}

}  // namespace pv::test
