// The XML conformance suite's files that load nothing from outside the file (tests/data/xmlconf), each read
// by the real reader and compared with what the server's parser, OpenJDK 17's with its defaults, does with it
// (jdk17-verdicts.tsv): the same files accepted, with the same root element, and the same files refused.
// The only differences are the refusals this program makes on purpose, listed below by file with the reason.
// The text read from the files the JDK accepts is compared with its own by the differential check
// (tests/oracle), which runs over these files too.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/xml.h"

namespace pv {
namespace {

struct Verdict {
    std::string file;
    bool accepted = false;
    std::string rootOrMessage;
    std::string type;  // valid, invalid, not-wf or error, as the suite's catalogue has it
};

std::vector<Verdict> JdkVerdicts() {
    std::ifstream table(std::string(POSTVANE_TEST_DATA) + "/xmlconf/jdk17-verdicts.tsv");
    std::vector<Verdict> verdicts;
    std::string line;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Verdict verdict;
        std::string accepted, inScope;
        std::getline(fields, verdict.file, '\t');
        std::getline(fields, accepted, '\t');
        std::getline(fields, inScope, '\t');
        std::getline(fields, verdict.rootOrMessage, '\t');
        std::getline(fields, verdict.type, '\t');
        verdict.accepted = accepted == "ACCEPT";
        verdicts.push_back(verdict);
    }
    return verdicts;
}

struct Deliberate {
    XmlRefusal refusal;
    const char* reason;
    std::vector<std::string> files;
};

// Every file the server's parser reads and this program refuses, by the reason it does.
const std::vector<Deliberate>& DeliberateRefusals() {
    static const std::vector<Deliberate> refusals = {
        {XmlRefusal::kNotVersion10,
         "XML 1.1: this program reads and writes XML 1.0 only, and a 1.1 document rewritten as 1.0 would "
         "change meaning (its control characters, NEL and line separators)",
         {"eduni/errata-2e/E50.xml",
          "eduni/namespaces/1.1/001.xml",
          "eduni/namespaces/1.1/002.xml",
          "eduni/namespaces/1.1/003.xml",
          "eduni/namespaces/1.1/004.xml",
          "eduni/namespaces/1.1/005.xml",
          "eduni/namespaces/1.1/006.xml",
          "eduni/namespaces/1.1/007.xml",
          "eduni/namespaces/1.1/008.xml",
          "eduni/xml-1.1/007.xml",
          "eduni/xml-1.1/015.xml",
          "eduni/xml-1.1/017.xml",
          "eduni/xml-1.1/018.xml",
          "eduni/xml-1.1/023.xml",
          "eduni/xml-1.1/025.xml",
          "eduni/xml-1.1/027.xml",
          "eduni/xml-1.1/029.xml",
          "eduni/xml-1.1/031.xml",
          "eduni/xml-1.1/033.xml",
          "eduni/xml-1.1/035.xml",
          "eduni/xml-1.1/037.xml",
          "eduni/xml-1.1/043.xml",
          "eduni/xml-1.1/045.xml",
          "eduni/xml-1.1/047.xml",
          "eduni/xml-1.1/049.xml",
          "eduni/xml-1.1/051.xml",
          "eduni/xml-1.1/053.xml",
          "eduni/xml-1.1/054.xml",
          "eduni/xml-1.1/056.xml",
          "eduni/xml-1.1/057.xml",
          "ibm/xml-1.1/invalid/P46/ibm46i01.xml",
          "ibm/xml-1.1/invalid/P46/ibm46i02.xml",
          "ibm/xml-1.1/valid/P02/ibm02v01.xml",
          "ibm/xml-1.1/valid/P02/ibm02v02.xml",
          "ibm/xml-1.1/valid/P02/ibm02v03.xml",
          "ibm/xml-1.1/valid/P02/ibm02v04.xml",
          "ibm/xml-1.1/valid/P02/ibm02v05.xml",
          "ibm/xml-1.1/valid/P03/ibm03v05.xml",
          "ibm/xml-1.1/valid/P03/ibm03v06.xml",
          "ibm/xml-1.1/valid/P03/ibm03v07.xml",
          "ibm/xml-1.1/valid/P03/ibm03v08.xml",
          "ibm/xml-1.1/valid/P04/ibm04v01.xml",
          "ibm/xml-1.1/valid/P04a/ibm04av01.xml",
          "ibm/xml-1.1/valid/P05/ibm05v01.xml",
          "ibm/xml-1.1/valid/P05/ibm05v02.xml",
          "ibm/xml-1.1/valid/P05/ibm05v03.xml",
          "ibm/xml-1.1/valid/P05/ibm05v04.xml",
          "ibm/xml-1.1/valid/P05/ibm05v05.xml",
          "ibm/xml-1.1/valid/P07/ibm07v01.xml"}},
        {XmlRefusal::kEncoding,
         "a UTF-8 byte-order mark before a declaration of ISO-8859-1: the server's parser reads the text as "
         "ISO-8859-1 after the mark, so which the file is cannot be known",
         {"eduni/misc/007.xml"}},
    };
    return refusals;
}

TEST(XmlConformanceSuite, EveryFileIsAcceptedOrRefusedAsTheServersParserDoes) {
    std::map<std::string, const Deliberate*> deliberate;
    for (const Deliberate& kind : DeliberateRefusals()) {
        for (const std::string& file : kind.files) deliberate[file] = &kind;
    }
    const std::vector<Verdict> verdicts = JdkVerdicts();
    ASSERT_EQ(verdicts.size(), 2243u);

    std::vector<std::string> differences;
    std::map<std::string, std::pair<size_t, size_t>> byType;  // agreeing, all
    for (const Verdict& jdk : verdicts) {
        const XmlFile file = LoadXmlFile(std::string(POSTVANE_TEST_DATA) + "/xmlconf/" + jdk.file);
        const std::string ours =
            file.wellFormed ? "root=" + std::string(file.root().FirstChild().Name()) : file.problem;
        const auto listed = deliberate.find(jdk.file);
        ++byType[jdk.type].second;
        if (listed != deliberate.end()) {
            // A listed file stays a difference of the kind listed, and only that.
            if (!jdk.accepted || file.wellFormed || file.refusal != listed->second->refusal) {
                differences.push_back(jdk.file + ": listed as refused on purpose, but the JDK " +
                                      (jdk.accepted ? "accepts" : "refuses") + " it and this program says " +
                                      ours);
            }
            continue;
        }
        if (jdk.accepted == file.wellFormed && (!jdk.accepted || ours == jdk.rootOrMessage)) {
            ++byType[jdk.type].first;
            continue;
        }
        differences.push_back(jdk.file + ": the JDK says \"" + jdk.rootOrMessage + "\", this program \"" +
                              ours + "\"");
    }
    EXPECT_EQ(differences, std::vector<std::string>());

    std::cout << "Agreement with the JDK by test type (the rest refused on purpose):";
    for (const auto& [type, counts] : byType) {
        std::cout << " " << type << " " << counts.first << "/" << counts.second;
    }
    std::cout << "\n";
}

}  // namespace
}  // namespace pv
