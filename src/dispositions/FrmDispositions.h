#pragma once
#include <string>

#include "core/form.h"
#include "core/services.h"

namespace pv {

class IMasterLinks;

// "Category-Disposition Mappings": the dispositions of every category of one disposition configuration file.
class FrmDispositions : public Form {
public:
    FrmDispositions(Services& services, const IMasterLinks& master);

    // Loads the catalogues and the file. False when the window closed itself while opening (the first
    // disposition types file could not be loaded): the caller then does not show it.
    bool LoadFromFile(const std::string& fileName, const std::string& masterFilePath);

private:
    Services& services_;
    const IMasterLinks& master_;
};

}  // namespace pv
