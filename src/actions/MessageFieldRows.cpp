#include "actions/MessageFieldRows.h"

#include <map>

#include "core/FileEditor.h"
#include "core/blankends.h"
#include "core/numeric.h"

namespace pv {
namespace {
constexpr const char* kFieldsTip = "The list of fields to include when logging";
}

std::vector<RowColumn> MessageFieldRows::Columns() {
    return {
        {kCheck, ControlKind::CheckBox, "FieldName", kFieldsTip},
        {kLabel, ControlKind::Label, "Field Length:", ""},
        {kLength, ControlKind::TextBox, "", ""},
    };
}

void MessageFieldRows::Fill(const CMessageFields& catalogue) {
    fields_.clear();
    for (const CMessageField* field : catalogue.Offered()) fields_.push_back(*field);
    form_.SetRowCount(kSet, count());
    for (int row = 0; row < count(); ++row) {
        const CMessageField& field = fields_[row];
        const std::string check = Form::RowControl(kCheck, row);
        const std::string label = Form::RowControl(kLabel, row);
        const std::string box = Form::RowControl(kLength, row);
        form_.SetText(check, field.Name);
        form_.SetChecked(check, false);
        const bool shown = field.HasLengthBox() || field.IsDate();
        form_.SetText(label, field.IsDate() ? "Date Format" : "Field Length");
        form_.SetText(box, field.IsDate() ? kDefaultDateFormat : std::to_string(field.DefaultLength));
        form_.SetVisible(label, shown);
        form_.SetVisible(box, shown);
    }
}

MessageFieldRows::Read MessageFieldRows::Load(XmlNode fields) {
    // The entries by their exact name; of two entries of one name the first counts.
    std::map<std::string, std::vector<XmlNode>> entries;
    std::vector<std::string> order;
    for (const XmlNode& entry : SelectNodeList(fields, "Field")) {
        std::string name = ReadNodeText(entry, "Name", "");
        std::vector<XmlNode>& named = entries[name];
        if (named.empty()) order.push_back(std::move(name));
        named.push_back(entry);
    }
    Read read;
    std::map<std::string, bool> shown;
    for (int row = 0; row < count(); ++row) {
        const CMessageField& field = fields_[row];
        const auto found = entries.find(field.Name);
        const XmlNode entry = found == entries.end() ? XmlNode() : found->second.front();
        form_.SetChecked(Form::RowControl(kCheck, row), static_cast<bool>(entry));
        const char* element = field.IsDate() ? "DateFormat" : "MaxLength";
        const std::string catalogues =
            field.IsDate() ? kDefaultDateFormat : std::to_string(field.DefaultLength);
        const std::string box = Form::RowControl(kLength, row);
        form_.SetText(box, ReadNodeText(entry, element, catalogues));
        if (!entry) continue;
        // A length the file holds where the catalogue shows no box (a field whose type changed since it was
        // written) is saved as it is: shown, so that what is saved is seen, and a save that refuses it
        // points at a box that can be corrected.
        if (!field.HasLengthBox() && !field.IsDate() && form_.Text(box) != catalogues) {
            form_.SetVisible(Form::RowControl(kLabel, row), true);
            form_.SetVisible(box, true);
        }
        shown[field.Name] = true;
        read.rowOrder.push_back(field.Name);
        if (!SelectSingleNode(entry, element)) read.filled.push_back(field.Name + " (" + catalogues + ")");
        if (found->second.size() > 1) {
            Read::Repeat repeat{field.Name, element, {}, form_.Text(box)};
            for (const XmlNode& each : found->second)
                repeat.values.push_back(ReadNodeText(each, element, ""));
            read.repeated.push_back(std::move(repeat));
        }
    }
    for (const std::string& name : order) {
        if (shown.count(name)) {
            read.fileOrder.push_back(name);
        } else {
            read.dropped.push_back(name);
        }
    }
    if (read.fileOrder == read.rowOrder) {
        read.fileOrder.clear();
        read.rowOrder.clear();
    }
    return read;
}

void MessageFieldRows::Write(std::string& buffer, const std::string& file) const {
    WriteOpenTag(buffer, "Fields", 1);
    for (int row = 0; row < count(); ++row) {
        if (!checked(row)) continue;
        const CMessageField& field = fields_[row];
        const std::string& text = length(row);
        WriteOpenTag(buffer, "Field", 2);
        WriteElement(buffer, "Name", field.Name, 3);
        // An empty box is written empty: left out, the next load would fill it from the catalogue, and a
        // second save would write what the first did not.
        const char* element = field.IsDate() ? "DateFormat" : "MaxLength";
        if (auto fault = BlankEndsFault(std::string(element) + " value of " + field.Name, text,
                                        "the file " + file, Form::RowControl(kLength, row))) {
            throw SaveRefused{std::move(*fault)};
        }
        if (field.IsDate()) {
            WriteElement(buffer, "DateFormat", text, 3);
        } else {
            if (!text.empty() && !IsNumeric(text))
                throw SaveRefused{
                    Fault("Length not numeric for " + field.Name, Form::RowControl(kLength, row))};
            WriteElement(buffer, "MaxLength", text, 3);
        }
        WriteCloseTag(buffer, "Field", 2);
    }
    WriteCloseTag(buffer, "Fields", 1);
}

std::vector<FieldRowState> MessageFieldRows::States() const {
    std::vector<FieldRowState> states;
    states.reserve(fields_.size());
    for (int row = 0; row < count(); ++row) states.push_back({fields_[row].Name, checked(row), length(row)});
    return states;
}

}  // namespace pv
