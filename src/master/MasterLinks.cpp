#include "master/MasterLinks.h"

#include "core/paths.h"
#include "master/MasterConfiguration.h"

namespace pv {

MasterLinks LinksOf(const MasterConfiguration& master, const PathContext& paths) {
    MasterLinks links;
    links.masterFilePath = paths.MakeAbsolutePath(master.MasterFilePath);
    links.dispositionTypes[0] = master.DispositionTypesFile1;
    links.dispositionTypes[1] = master.DispositionTypesFile2;
    links.categoryDefinitions[0] = master.CategoryDefinitionsFile1;
    links.categoryDefinitions[1] = master.CategoryDefinitionsFile2;
    links.messageFields[0] = master.MessageFieldsFile1;
    links.messageFields[1] = master.MessageFieldsFile2;
    return links;
}

}  // namespace pv
