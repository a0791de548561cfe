#include "dispositions/CDispositionTypes.h"

#include "core/ConfigFile.h"
#include "core/paths.h"
#include "core/prompts.h"

namespace pv {
namespace {
constexpr const char* kMissingName = "missingasdklj129jasd";
}

bool CDispositionType::LoadFromNode(XmlNode node, const std::string& filePath, IPrompts& prompts) {
    Name = ReadNodeText(node, "Name", kMissingName);
    if (Name == kMissingName) {
        // The master may name two such files.
        prompts.Show({MessageKind::Error,
                      "Name is missing from a disposition type in the disposition types file " + filePath,
                      {},
                      Place::File(filePath)});
        return false;
    }
    RequiresDetailedFile = ReadNodeText(node, "DetailedDispositionFile", "1") != "0";
    return true;
}

CDispositionTypes::FileRead CDispositionTypes::LoadFromFile(const std::string& fileName,
                                                            const std::string& referringFile,
                                                            const PathContext& paths, IPrompts& prompts) {
    if (fileName.empty()) return FileRead::NotNamed;
    const std::string path = paths.ResolvePath(referringFile, fileName);
    const OpenedFile file = OpenConfigFile(path, kDispositionTypesRoot, prompts);
    if (file.problem == FileProblem::Missing) {
        prompts.Show(NotFound("Couldn't find the Disposition Types file, " + fileName +
                                  ", please go back to main->Advanced settings to correct it.",
                              "Couldn't find the Disposition Types file", path));
        return FileRead::Unread;
    }
    // A catalogue has no defaults to show: what a file that is not well-formed costs is its types.
    if (file.problem == FileProblem::Malformed) {
        prompts.Show(
            MalformedMessage(file, " It was read as empty, so none of its disposition types are known."));
        return FileRead::Incomplete;
    }
    // A file that is there but cannot be read is not taken for a file without types: the callers must not go
    // on as if the catalogue were complete.
    if (!ReportOpened(file, "Error loading the Disposition Types file=", prompts, Written::No))
        return FileRead::Unread;
    if (file.problem == FileProblem::OtherKind) {
        prompts.Show(
            OtherKindMessage(file, "disposition types file", " No disposition types were read from it."));
    }
    for (const XmlNode& node : SelectNodeList(file.Root(), "DispositionType")) {
        CDispositionType type;
        if (!type.LoadFromNode(node, path, prompts)) continue;
        if (index_.count(type.Name) != 0) continue;
        index_.emplace(type.Name, types_.size());
        types_.push_back(std::move(type));
    }
    return file.problem == FileProblem::Malformed || file.problem == FileProblem::OtherKind
               ? FileRead::Incomplete
               : FileRead::Complete;
}

std::optional<bool> CDispositionTypes::RequiresDetailedFile(const std::string& typeName) const {
    const auto found = index_.find(typeName);
    if (found == index_.end()) return std::nullopt;
    return types_[found->second].RequiresDetailedFile;
}

std::vector<std::string> CDispositionTypes::Names() const {
    std::vector<std::string> names;
    names.reserve(types_.size());
    for (const auto& type : types_) names.push_back(type.Name);
    return names;
}

}  // namespace pv
