#pragma once
#include <string>

#include "core/form.h"
#include "core/services.h"

namespace pv {

// Shows a generated SQL statement for the user to read and copy; "Copy" puts the whole statement on the
// clipboard.
class FrmShowSQL : public Form {
  public:
    FrmShowSQL(Services& services, const std::string& sql);
};

// Shows `sql` in the SQL window, modally over the window that asked.
void ShowSQL(Services& services, const std::string& sql);

}  // namespace pv
