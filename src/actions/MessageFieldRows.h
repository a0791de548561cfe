#pragma once
#include <string>
#include <vector>

#include "actions/CMessageFields.h"
#include "core/form.h"
#include "names/rowFields.h"

namespace pv {

// The field rows of the Write To File and Write To DB editors: one row per field the catalogue offers,
// each a check box captioned with the field's name, a label and a box for the field's length (strings) or
// date format (dates), and the "Fields" element of the detailed file that keeps the checked rows.
class MessageFieldRows {
  public:
    static constexpr const char* kSet = "Fields";
    static constexpr const char* kCheck = names::rowFields::chkField;
    static constexpr const char* kLabel = names::rowFields::lblFieldLength;
    static constexpr const char* kLength = names::rowFields::txtFieldLength;
    // The columns the editor declares with Form::DeclareRows(kSet, ...).
    static std::vector<RowColumn> Columns();

    explicit MessageFieldRows(Form& form) : form_(form) {}

    // One row per offered field of the catalogue, in its order, every box cleared.
    void Fill(const CMessageFields& catalogue);
    // What a load found that a save would write otherwise.
    struct Read {
        std::vector<std::string> dropped;  // the names of the entries no row shows, which a save drops
        // The entries' names in the file's order and in the rows' (catalogue) order, which a save writes:
        // both empty when the two agree.
        std::vector<std::string> fileOrder;
        std::vector<std::string> rowOrder;
        // "To (1000)": entries without their MaxLength or DateFormat, and the catalogue's, which their boxes
        // show and a save writes.
        std::vector<std::string> filled;
        // A field the file lists more than once: its row shows the first entry, and a save writes that one
        // alone. The server writes every entry, a column each.
        struct Repeat {
            std::string name;
            const char* element;              // "MaxLength" or "DateFormat"
            std::vector<std::string> values;  // each entry's, in the file's order ("" for none)
            std::string kept;                 // the box's text, which a save writes
        };
        std::vector<Repeat> repeated;
    };
    // Checks the rows the "Fields" element names (exact names) and fills their boxes; without the element
    // every row stays cleared.
    Read Load(XmlNode fields);
    // Appends the "Fields" element of the checked rows at indent 1; a length that is not a number stops the
    // save (SaveRefused) with "Length not numeric for " and the field's name.
    void Write(std::string& buffer, const std::string& file) const;

    int count() const { return static_cast<int>(fields_.size()); }
    const CMessageField& field(int row) const { return fields_[row]; }
    bool checked(int row) const { return form_.Checked(Form::RowControl(kCheck, row)); }
    const std::string& length(int row) const { return form_.Text(Form::RowControl(kLength, row)); }
    std::vector<FieldRowState> States() const;

  private:
    Form& form_;
    std::vector<CMessageField> fields_;  // the field of each row
};

}  // namespace pv
