#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/message.h"
#include "core/xml.h"

namespace pv {

// The element a message fields file begins with.
inline constexpr const char* kMessageFieldsRoot = "MessageFields";

class IPrompts;
class PathContext;

inline constexpr const char* kStringType = "java.lang.String";
inline constexpr const char* kDateType = "java.util.Date";
inline constexpr const char* kDefaultDateFormat = "yyyy-MM-dd HH:mm:ss";
inline constexpr const char* kMessageFieldsAborting = "Couldn't load message fields, aborting";

// One of the server's message fields, as a message fields file describes it.
struct CMessageField {
    std::string Name;
    std::string DataType = kStringType;
    bool NotNull = false;
    bool ConstantLength = false;
    int32_t DefaultLength = 100;
    bool ExcludeFromFieldList = false;

    // Reads one MessageField element, the `number`th (from 1) of the file at `filePath`; false, after a
    // message naming both, when it has no Name or a value cannot be read.
    bool LoadFromNode(XmlNode node, const std::string& filePath, int number, IPrompts& prompts);
    // Whether an editor offers a length box for it (strings of free length) or a date format box (dates).
    bool HasLengthBox() const { return DataType == kStringType && !ConstantLength; }
    bool IsDate() const { return DataType == kDateType; }
};

// A field row as the editors hold it: the field's name, whether it is checked, and its length box text.
struct FieldRowState {
    std::string name;
    bool checked = false;
    std::string length;
};

// The catalogue of message fields, read from the message fields files the master file names; read only.
// Fields keep the order they were read in, the first file first; a name is a key whatever its letter case,
// and the first definition of a name wins.
class CMessageFields {
  public:
    // Adds the fields of one file, `fileName` as the master file holds it, resolved against `referringFile`.
    // False for an empty name and, after a message, for a file that is missing, unreadable, not well-formed
    // or not a message fields file: an editor must not offer an incomplete catalogue as if it were whole.
    // Such a file, and one with a field that could not be read, goes into Unread.
    bool LoadFromFile(const std::string& fileName, const std::string& referringFile, const PathContext& paths,
                      IPrompts& prompts);
    // The files named (their full paths) that were not read completely, in the order they were loaded.
    const std::vector<std::string>& Unread() const { return unread_; }

    // The field of that name (any letter case), or null.
    const CMessageField* Find(const std::string& name) const;
    const std::vector<CMessageField>& Fields() const { return fields_; }
    // The fields an editor offers (not excluded), in catalogue order.
    std::vector<const CMessageField*> Offered() const;
    // Their names, as the field lists show them.
    std::vector<std::string> OfferedNames() const;

    // The CREATE TABLE statement for the checked rows, lines joined by CR LF. A field of a type that has no
    // column type of its own is declared varchar(100) after a warning.
    std::string GenerateDDL(const std::string& tableName, const std::vector<FieldRowState>& rows,
                            IPrompts& prompts) const;

  private:
    std::vector<CMessageField> fields_;
    std::unordered_map<std::string, size_t> index_;  // by the name with its case folded
    std::vector<std::string> unread_;
};

// The message that names the entries of a file an editor cannot show because the catalogue does not offer
// them, and that saving drops: `what` is "fields" or "parameters".
Message DroppedEntriesMessage(const std::string& what, const std::vector<std::string>& names,
                              const std::string& path);

}  // namespace pv
