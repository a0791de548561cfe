#include "actions/CMessageFields.h"

#include "core/ConfigFile.h"
#include "core/encoding.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/paths.h"
#include "core/prompts.h"

namespace pv {
namespace {

constexpr const char* kMissingName = "missingasdklj129jasd";
constexpr const char* kNotFound =
    "Couldn't find the Message Fields file, please go back to main->Advanced settings to correct it.";

bool Flag(XmlNode node, const char* element) {
    return ReadNodeText(node, element, "0") != "0";
}

std::string ColumnType(const CMessageField* field, const FieldRowState& row, IPrompts& prompts) {
    const std::string type = field ? field->DataType : std::string();
    if (type == "java.lang.Integer" || type == "java.lang.Short") return "integer";
    if (type == kDateType) return "datetime";
    if (type == kStringType) {
        if (field->ConstantLength) return "varchar(" + std::to_string(field->DefaultLength) + ")";
        return "varchar(" + (row.length.empty() ? std::string("100") : row.length) + ")";
    }
    if (type == "java.lang.Float" || type == "java.lang.Double" || type == "java.lang.Single") return "float";
    if (type == "java.lang.Boolean") return "varchar(5)";
    prompts.ShowMessage("Warning, unrecognized type=" + type + ", defaulting to varchar");
    return "varchar(100)";
}

}  // namespace

bool CMessageField::LoadFromNode(XmlNode node, const std::string& filePath, int number, IPrompts& prompts) {
    // Many detailed files read one catalogue: what is wrong in it is said of it, with its path, so that
    // check says it once.
    const auto where = [&] { return std::to_string(number) + " of the Message Fields file " + filePath; };
    Name = ReadNodeText(node, "Name", kMissingName);
    if (Name == kMissingName) {
        prompts.Show(
            {MessageKind::Error, "Name is missing from message field " + where(), {}, Place::File(filePath)});
        return false;
    }
    try {
        DataType = ReadNodeText(node, "DataTypeClassName", kStringType);
        NotNull = Flag(node, "NotNull");
        ConstantLength = Flag(node, "ConstantLength");
        DefaultLength = ToInt32(ReadNodeText(node, "DefaultLength", "100"), "DefaultLength of " + Name);
        ExcludeFromFieldList = Flag(node, "ExcludeFromFieldList");
    } catch (const AppError& error) {
        prompts.Show({MessageKind::Error,
                      FormatError("Error reading message field " + where() + "=", error),
                      {},
                      Place::File(filePath)});
        return false;
    }
    return true;
}

bool CMessageFields::LoadFromFile(const std::string& fileName, const std::string& referringFile,
                                  const PathContext& paths, IPrompts& prompts) {
    if (fileName.empty()) return false;
    const std::string path = paths.ResolvePath(referringFile, fileName);
    // What is saved on a catalogue read in part may drop what the rest of it offers.
    const auto unread = [this, &path] {
        unread_.push_back(path);
        return false;
    };
    const OpenedFile file = OpenConfigFile(path, kMessageFieldsRoot, prompts);
    if (file.problem == FileProblem::Missing) {
        prompts.Show(NotFound(kNotFound, "Couldn't find the Message Fields file", path));
        return unread();
    }
    // A damaged file, or one of another kind, would offer no fields at all, and every field a detailed file
    // names would be dropped at its next save.
    if (file.problem == FileProblem::Malformed) {
        prompts.Show(
            {MessageKind::Error,
             "The Message Fields file " + path + " is not well-formed XML (" + file.xml.problem + ").",
             {},
             Place::File(path)});
        return unread();
    }
    if (!ReportOpened(file, "Error loading Message Fields file=", prompts, Written::No)) return unread();
    if (file.problem == FileProblem::OtherKind) {
        prompts.Show(OtherKindMessage(file, "message fields file", " No fields were read from it."));
        return unread();
    }
    int number = 0;
    bool whole = true;
    for (const XmlNode& node : SelectNodeList(file.Root(), "MessageField")) {
        CMessageField field;
        if (!field.LoadFromNode(node, path, ++number, prompts)) {
            whole = false;
            continue;
        }
        const auto [it, added] = index_.emplace(FoldCase(field.Name), fields_.size());
        if (added) fields_.push_back(std::move(field));
    }
    if (!whole) unread();
    return true;
}

const CMessageField* CMessageFields::Find(const std::string& name) const {
    const auto found = index_.find(FoldCase(name));
    return found == index_.end() ? nullptr : &fields_[found->second];
}

std::vector<const CMessageField*> CMessageFields::Offered() const {
    std::vector<const CMessageField*> offered;
    offered.reserve(fields_.size());
    for (const CMessageField& field : fields_) {
        if (!field.ExcludeFromFieldList) offered.push_back(&field);
    }
    return offered;
}

std::vector<std::string> CMessageFields::OfferedNames() const {
    std::vector<std::string> names;
    for (const CMessageField* field : Offered()) names.push_back(field->Name);
    return names;
}

std::string CMessageFields::GenerateDDL(const std::string& tableName, const std::vector<FieldRowState>& rows,
                                        IPrompts& prompts) const {
    std::string text = "CREATE TABLE " + tableName + "(\r\n";
    bool first = true;
    for (const FieldRowState& row : rows) {
        if (!row.checked) continue;
        if (!first) text += ",\r\n";
        first = false;
        const CMessageField* field = Find(row.name);
        text += row.name + "    " + ColumnType(field, row, prompts);
        text += field && field->NotNull ? " not null" : " null";
    }
    text += "\r\n";
    text += ", generatedPK integer identity(1,1)\r\nPrimary key (generatedPK)";
    text += ")";
    return text;
}

Message DroppedEntriesMessage(const std::string& what, const std::vector<std::string>& names,
                              const std::string& path) {
    std::string list;
    for (const std::string& name : names) {
        if (!list.empty()) list += ", ";
        list += name.empty() ? "(no name)" : name;
    }
    const std::string start =
        "The message fields files do not offer these " + what + " of the file " + path + ", so ";
    return {MessageKind::Error, start + "they are not shown and saving will drop them: " + list,
            start + "saving will drop them: " + list};
}

}  // namespace pv
