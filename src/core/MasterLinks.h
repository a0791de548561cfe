#pragma once
#include <string>

namespace pv {

// What the windows opened below the main window need of it: the master file's full path (the referring
// file of every "+" name it holds) and the current texts of its catalogue boxes. It lives here so that every
// layer can ask without reaching up into master/, which answers it.
class IMasterLinks {
  public:
    virtual ~IMasterLinks() = default;
    virtual std::string FullPathToMasterConfig() const = 0;
    virtual std::string DispositionTypesFile(int which) const = 0;     // 1 or 2
    virtual std::string CategoryDefinitionsFile(int which) const = 0;  // 1 or 2
    virtual std::string MessageFieldsFile(int which) const = 0;        // 1 or 2
};

// Fixed values, for the command-line tool and for tests, and the links of a window as they are now, for a
// reading on another thread.
struct MasterLinks : IMasterLinks {
    std::string masterFilePath;
    std::string dispositionTypes[2];
    std::string categoryDefinitions[2];
    std::string messageFields[2];

    static MasterLinks CopyOf(const IMasterLinks& master) {
        MasterLinks links;
        links.masterFilePath = master.FullPathToMasterConfig();
        for (int which = 1; which <= 2; ++which) {
            links.dispositionTypes[which - 1] = master.DispositionTypesFile(which);
            links.categoryDefinitions[which - 1] = master.CategoryDefinitionsFile(which);
            links.messageFields[which - 1] = master.MessageFieldsFile(which);
        }
        return links;
    }

    std::string FullPathToMasterConfig() const override { return masterFilePath; }
    std::string DispositionTypesFile(int which) const override {
        return dispositionTypes[which == 2 ? 1 : 0];
    }
    std::string CategoryDefinitionsFile(int which) const override {
        return categoryDefinitions[which == 2 ? 1 : 0];
    }
    std::string MessageFieldsFile(int which) const override { return messageFields[which == 2 ? 1 : 0]; }
};

}  // namespace pv
