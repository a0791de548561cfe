#pragma once
// Where an item stands in a form's list, and a message field in a data-output editor's rows: for the tests
// that select or click them.
#include <algorithm>
#include <string>

#include "core/form.h"

namespace pv::test {

// The line of `item` in a list of the form, or the list's length when it is not there.
inline int RowOf(const Form& form, const std::string& list, const std::string& item) {
    const auto& items = form.Items(list);
    return static_cast<int>(std::find(items.begin(), items.end(), item) - items.begin());
}

// The row of a message field in an editor's field rows, or -1.
inline int FieldRow(const Form& form, const std::string& field) {
    for (int row = 0; row < form.RowCount("Fields"); ++row) {
        if (form.Text(Form::RowControl("chkField", row)) == field) return row;
    }
    return -1;
}

// The check box of a field's row.
inline std::string FieldBox(const Form& form, const std::string& field) {
    return Form::RowControl("chkField", FieldRow(form, field));
}

}  // namespace pv::test
