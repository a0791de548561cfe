#include "FuzzTargets.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "actions/CMessageFields.h"
#include "core/HeadlessServices.h"
#include "core/MasterLinks.h"
#include "core/errors.h"
#include "core/password.h"
#include "core/paths.h"
#include "core/xml.h"
#include "dispositions/CCategory.h"
#include "dispositions/CDispositionTypes.h"
#include "dispositions/DispositionConfiguration.h"
#include "editors/Editors.h"
#include "master/MasterConfiguration.h"
#include "monitoring/MonitorConfiguration.h"

namespace pv::fuzz {
namespace {

[[noreturn]] void Broken(const char* rule, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz: broken rule: %s\n%s\n", rule, detail.c_str());
    std::abort();
}

// A folder of its own for the files one process loads: the loaders read files, not bytes. The catalogues
// are the sample's, so that disposition and detailed files meet real categories, types and fields.
class Workspace {
  public:
    static Workspace& Get() {
        static Workspace workspace;
        return workspace;
    }
    std::string Write(std::string_view bytes, const char* name) {
        const std::string path = folder_ + "/" + name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) Broken("the workspace can be written", path);
        return path;
    }
    const PathContext& paths() const { return paths_; }
    const MasterLinks& links() const { return links_; }

  private:
    Workspace() : folder_(MakeFolder()), paths_(folder_) {
        links_.masterFilePath = std::string(POSTVANE_EXAMPLES) + "/config/master.xml";
        links_.dispositionTypes[0] = "+/customDispositionTypes.xml";
        links_.dispositionTypes[1] = "+/systemDispositionTypes.xml";
        links_.categoryDefinitions[0] = "+/customCategoryDefinitions.xml";
        links_.categoryDefinitions[1] = "+/systemCategoryDefinitions.xml";
        links_.messageFields[0] = "+/customMessageFields.xml";
        links_.messageFields[1] = "+/systemMessageFields.xml";
    }
    ~Workspace() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    static std::string MakeFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "postvane-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) Broken("a temporary folder can be made");
        return pattern;
    }

    std::string folder_;
    PathContext paths_;
    MasterLinks links_;
};

// What every writer promises: its text is a file that loads again.
void MustLoad(const std::string& text, const char* writer) {
    const XmlFile file = ParseXmlText(text);
    if (!file.wellFormed) Broken(writer, file.problem + "\n" + text);
}

// What every save promises besides: a second resave of what the first wrote changes nothing.
void MustStay(const std::string& first, const std::optional<std::string>& second, const char* rule) {
    if (second != first) Broken(rule, first + "\n---\n" + second.value_or("(not written)"));
}

void Master(std::string_view bytes) {
    Workspace& workspace = Workspace::Get();
    CollectingPrompts prompts;
    const std::string path = workspace.Write(bytes, "master.xml");
    MasterConfiguration master;
    master.MasterFilePath = path;
    const auto loaded = master.Load(workspace.paths(), prompts);
    if (!loaded.read()) return;
    std::string text;
    try {
        text = master.WriteText(path, workspace.paths(), prompts);
    } catch (const AppError&) {
        return;  // reported to the user; nothing would be written
    }
    MustLoad(text, "a master file is written as a file that loads");
    // A second resave of what the first wrote changes nothing.
    workspace.Write(text, "master.xml");
    MasterConfiguration again;
    again.MasterFilePath = path;
    again.Load(workspace.paths(), prompts);
    const std::string second = again.WriteText(path, workspace.paths(), prompts);
    if (second != text)
        Broken("a master file is written the same the second time", text + "\n---\n" + second);
}

void Categories(std::string_view bytes) {
    CollectingPrompts prompts;
    CategoryCatalogue catalogue;
    LoadCategoryFile(catalogue, Workspace::Get().Write(bytes, "categories.xml"), prompts);
}

void Types(std::string_view bytes) {
    Workspace& workspace = Workspace::Get();
    CollectingPrompts prompts;
    CDispositionTypes types;
    types.LoadFromFile(workspace.Write(bytes, "types.xml"), "", workspace.paths(), prompts);
}

void MessageFields(std::string_view bytes) {
    Workspace& workspace = Workspace::Get();
    CollectingPrompts prompts;
    CMessageFields fields;
    if (!fields.LoadFromFile(workspace.Write(bytes, "fields.xml"), "", workspace.paths(), prompts)) return;
    // Every offered field as a checked row: one column each, whatever its type.
    std::vector<FieldRowState> rows;
    for (const std::string& name : fields.OfferedNames()) rows.push_back({name, true, ""});
    const std::string statement = fields.GenerateDDL("T", rows, prompts);
    size_t lines = 0;
    for (size_t at = statement.find("\r\n"); at != std::string::npos; at = statement.find("\r\n", at + 2))
        ++lines;
    const size_t newlinesInNames = std::count_if(rows.begin(), rows.end(), [](const FieldRowState& row) {
        return row.name.find("\r\n") != std::string::npos;
    });
    if (newlinesInNames == 0 && lines != (rows.empty() ? 3 : rows.size() + 2)) {
        Broken("a CREATE TABLE statement has a line per checked field", statement);
    }
}

void Dispositions(std::string_view bytes) {
    Workspace& workspace = Workspace::Get();
    CollectingPrompts prompts;
    DispositionConfiguration configuration;
    const auto loaded = configuration.Load(workspace.Write(bytes, "dispositions.xml"), workspace.links(),
                                           workspace.paths(), prompts);
    if (!loaded.opened) return;
    const auto text = configuration.WriteText(workspace.paths(), prompts);
    if (!text) return;
    MustLoad(*text, "a disposition file is written as a file that loads");
    DispositionConfiguration again;
    if (!again
             .Load(workspace.Write(*text, "dispositions-again.xml"), workspace.links(), workspace.paths(),
                   prompts)
             .opened) {
        Broken("a disposition file that was written opens again", *text);
    }
    MustStay(*text, again.WriteText(workspace.paths(), prompts),
             "a disposition file is written the same the second time");
}

// Every registered editor of `family` reads the same bytes through its load, as its window does, and builds
// the text its Save would write.
// the text its Save would write; a second save of that text writes it again unchanged.
void ThroughEveryEditor(std::string_view bytes, EditorFamily family, const char* name, const char* rule,
                        const char* sameRule) {
    Workspace& workspace = Workspace::Get();
    const std::string path = workspace.Write(bytes, name);
    const auto save = [&](const EditorRegistration& editor,
                          const std::string& file) -> std::optional<std::string> {
        CollectingPrompts prompts;
        HeadlessServices headless(workspace.paths(), prompts, BuiltInEditors());
        const auto form = editor.OpenOnFile(headless.services, workspace.links(), file);
        std::string text;
        if (form->IsClosed() || form->lastLoad() != FileProblem::None ||
            form->Save(&text) != SaveOutcome::Printed) {
            return std::nullopt;
        }
        return text;
    };
    for (const EditorRegistration* editor : BuiltInEditors().Of(family)) {
        if (!editor->make) continue;
        const std::optional<std::string> text = save(*editor, path);
        if (!text) continue;
        MustLoad(*text, rule);
        // The text ends with the line end writing adds, as a written file does.
        MustStay(*text, save(*editor, workspace.Write(*text, "again.xml")), sameRule);
    }
}

void Detailed(std::string_view bytes) {
    ThroughEveryEditor(bytes, EditorFamily::Disposition, "detailed.xml",
                       "a detailed file is written as a file that loads",
                       "a detailed file is written the same the second time");
}

void Monitors(std::string_view bytes) {
    CollectingPrompts prompts;
    MonitorConfiguration configuration;
    configuration.Load(Workspace::Get().Write(bytes, "monitor.xml"), prompts);
    if (!configuration.ReadCompletely()) return;
    const auto text = configuration.WriteText(prompts);
    if (!text) return;
    MustLoad(*text, "a monitor configuration file is written as a file that loads");
    MonitorConfiguration again;
    again.Load(Workspace::Get().Write(*text, "monitor-again.xml"), prompts);
    MustStay(*text, again.WriteText(prompts),
             "a monitor configuration file is written the same the second time");
}

void MonitorFiles(std::string_view bytes) {
    ThroughEveryEditor(bytes, EditorFamily::Monitor, "monitor-file.xml",
                       "a monitor's file is written as a file that loads",
                       "a monitor's file is written the same the second time");
}

// A stored password: unscrambled as a load does; and a password of the characters the table knows comes
// back from its stored form unchanged, whether or not the reader drops the blanks around it, unless storing
// it is refused (one that must be kept in clear and would not read back so).
void Password(std::string_view bytes) {
    const std::string text(bytes);
    UnscramblePassword(text);
    const bool tableCharacters =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= 32 && c <= 126; });
    if (!tableCharacters) return;
    CollectingPrompts prompts;
    std::string stored;
    try {
        stored = ScramblePassword(text, prompts);
    } catch (const AppError&) {
        if (UnstorablePassword(text).empty()) Broken("a password that can be stored is refused", text);
        return;
    }
    if (UnscramblePassword(stored) != text || UnscramblePassword(TrimXmlSpace(stored)) != text)
        Broken("a password comes back from its stored form", text);
}

}  // namespace

// The fuzzers: one entry each. fuzz/CMakeLists.txt builds fuzz-<name> for every entry of this table.
const std::vector<FuzzTarget>& Targets() {
    static const std::vector<FuzzTarget> targets = {
        {"master", Master},     {"categories", Categories},
        {"types", Types},       {"dispositions", Dispositions},
        {"detailed", Detailed}, {"message-fields", MessageFields},
        {"monitors", Monitors}, {"monitor-files", MonitorFiles},
        {"password", Password},
    };
    return targets;
}

const FuzzTarget* FindTarget(std::string_view name) {
    for (const FuzzTarget& target : Targets()) {
        if (name == target.name) return &target;
    }
    return nullptr;
}

}  // namespace pv::fuzz
