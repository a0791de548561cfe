#pragma once
#include <string>

#include "core/form.h"
#include "core/services.h"

namespace pv {

// "About": the program's version, licence and home page, and the versions of the libraries it runs with
// (`toolkit` names those of the window toolkit, "Qt 6.4.2"; the XML library's is asked of it).
class FrmAbout : public Form {
  public:
    FrmAbout(Services& services, const std::string& toolkit);
};

}  // namespace pv
