#include "dispositions/DispositionSamples.h"

#include <cstdint>
#include <vector>

#include "core/HeadlessServices.h"
#include "core/platform.h"
#include "core/xml.h"
#include "dispositions/FrmDispositions.h"
#include "names/frmDispositions.h"

namespace pv {
namespace {

// A well-spread hash of a number (the finaliser of splitmix64).
uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::string CategoryName(size_t i) {
    return "Category" + std::to_string(i);
}

}  // namespace

DispositionSample WriteDispositionSample(const std::string& folder, size_t categories, size_t dispositions,
                                         size_t maxDepth) {
    DispositionSample sample;
    sample.folder = folder;
    const std::string base = folder + platform::kSeparator;
    sample.master.masterFilePath = base + "master.xml";
    sample.master.categoryDefinitions[0] = "+/categoryDefinitions.xml";
    sample.master.dispositionTypes[0] = "+/dispositionTypes.xml";
    sample.dispositionFile = "+/dispositions.xml";

    std::string master;
    WriteOpenTag(master, "ResponseHandler", 0);
    WriteElement(master, "DispositionTypesFile", sample.master.dispositionTypes[0], 1);
    WriteElement(master, "CategoryDefinitionsFile", sample.master.categoryDefinitions[0], 1);
    WriteCloseTag(master, "ResponseHandler", 0);
    WriteTextFile(sample.master.masterFilePath, master);

    // Each category hangs below a pseudo-random earlier one (its parent when that one is already at the
    // deepest level), so children of one parent lie far apart in the catalogue.
    constexpr size_t kNoParent = static_cast<size_t>(-1);
    std::vector<size_t> depth(categories, 1);
    std::vector<size_t> parent(categories, kNoParent);
    for (size_t i = 8; i < categories && maxDepth >= 2; ++i) {
        size_t candidate = static_cast<size_t>(Mix(i) % i);
        while (depth[candidate] >= maxDepth) candidate = parent[candidate];
        depth[i] = depth[candidate] + 1;
        parent[i] = candidate;
    }
    std::string catalogue;
    WriteOpenTag(catalogue, "Categories", 0);
    for (size_t i = 0; i < categories; ++i) {
        WriteOpenTag(catalogue, "Category", 1);
        WriteElement(catalogue, "Name", CategoryName(i), 2);
        if (parent[i] != kNoParent) WriteElement(catalogue, "ParentCategory", CategoryName(parent[i]), 2);
        WriteCloseTag(catalogue, "Category", 1);
    }
    WriteCloseTag(catalogue, "Categories", 0);
    WriteTextFile(base + "categoryDefinitions.xml", catalogue);

    std::string types;
    WriteOpenTag(types, "DispositionTypes", 0);
    for (const char* name :
         {"ForwardMessage", "MoveToSubfolder", "CopyToIMAPFolder", "RuleUpdate", "WriteToDB", "RunSQL",
          "WriteToFile", "WriteRFC822File", "HttpRequest", "WriteAttachmentsToDB"}) {
        WriteOpenTag(types, "DispositionType", 1);
        WriteElement(types, "Name", name, 2);
        WriteCloseTag(types, "DispositionType", 1);
    }
    WriteOpenTag(types, "DispositionType", 1);
    WriteElement(types, "Name", "DoNothing", 2);
    WriteElement(types, "DetailedDispositionFile", "0", 2);
    WriteCloseTag(types, "DispositionType", 1);
    WriteCloseTag(types, "DispositionTypes", 0);
    WriteTextFile(base + "dispositionTypes.xml", types);
    WriteTextFile(base + "forward.forwardmessage.xml", "<Disposition>\r\n</Disposition>");

    // Disposition j belongs to "Default" (j = 0) or to a category picked by a hash of j.
    std::vector<std::vector<size_t>> byCategory(categories + 1);
    for (size_t j = 0; j < dispositions; ++j) {
        byCategory[j == 0 || categories == 0 ? 0 : 1 + static_cast<size_t>(Mix(j + categories) % categories)]
            .push_back(j);
    }
    std::string file;
    WriteOpenTag(file, "Dispositions", 0);
    for (size_t c = 0; c <= categories; ++c) {
        const std::string name = c == 0 ? "Default" : CategoryName(c - 1);
        WriteOpenTag(file, name, 1);
        for (const size_t j : byCategory[c]) {
            WriteOpenTag(file, "Disposition", 2);
            WriteElement(file, "Type", j % 2 == 0 ? "ForwardMessage" : "DoNothing", 3);
            WriteElement(file, "DetailedDispositionFile", j % 2 == 0 ? "+/forward.forwardmessage.xml" : "",
                         3);
            WriteElement(file, "DirectoryForErrors", "", 3);
            WriteCloseTag(file, "Disposition", 2);
        }
        WriteCloseTag(file, name, 1);
    }
    WriteCloseTag(file, "Dispositions", 0);
    WriteTextFile(base + "dispositions.xml", file);
    return sample;
}

size_t OpenDispositionSample(const DispositionSample& sample, const std::string& programDirectory) {
    CollectingPrompts prompts;
    HeadlessServices headless(PathContext(programDirectory), prompts);
    FrmDispositions window(headless.services, sample.master);
    if (!window.LoadFromFile(sample.dispositionFile, sample.master.masterFilePath)) return 0;
    return window.Items(names::frmDispositions::lstCategories).size();
}

}  // namespace pv
