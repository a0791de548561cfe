// The differential check against the server's parser: every file named (folders are walked) is read by this
// program's reader and by the JDK's (JdkOracle.java, one JVM for all files), and their verdicts and the text
// of every element are compared. A file read as Windows-1252 (no declaration, not UTF-8) is given to the JDK
// as the characters it was read as, which is what the server reads once the file has been saved.
//
// A difference fails the check, except where this program refuses a file on purpose (IsDeliberateRefusal:
// it would load from outside the file, nesting beyond our limit, an XML version other than 1.0, an encoding
// that contradicts the byte-order mark or that is not read here, a fault of XML the JDK lets pass): those are
// counted by kind.
//
// Usage: xml_oracle_check [--list-deliberate] ORACLE_CLASSES PATH...
// ORACLE_CLASSES is the folder holding JdkOracle.class; `java` is found on the PATH. Exit status: 0 no
// difference, 1 a difference, 2 the check could not run.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/xml.h"

namespace fs = std::filesystem;

namespace {

std::string Escaped(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// What one reader made of a file: its verdict and, when it read it, one line per element ("/path\ttext").
struct Reading {
    std::string verdict;  // ACCEPT, REJECT or EXTERNAL
    std::string message;
    pv::XmlRefusal refusal = pv::XmlRefusal::kNone;
    bool windows1252 = false;
    std::vector<std::string> elements;
};

// The element's own text: its text range without the ranges of its child elements.
std::string OwnText(pv::XmlNode element) {
    const std::string_view all = element.RawText();
    std::string own;
    const char* at = all.data();
    for (pv::XmlNode child = element.FirstChild(); child; child = child.NextSibling()) {
        const std::string_view inner = child.RawText();
        own.append(at, static_cast<size_t>(inner.data() - at));
        at = inner.data() + inner.size();
    }
    own.append(at, static_cast<size_t>(all.data() + all.size() - at));
    return own;
}

Reading ReadOurs(const std::string& path) {
    Reading reading;
    pv::XmlFile file;
    try {
        file = pv::LoadXmlFile(path);
    } catch (const pv::AppError& error) {
        reading.verdict = "REJECT";
        reading.message = error.description();
        reading.refusal = pv::XmlRefusal::kNotWellFormed;
        return reading;
    }
    reading.windows1252 = file.windows1252;
    if (!file.wellFormed) {
        reading.verdict = "REJECT";
        reading.message = file.problem;
        reading.refusal = file.refusal;
        return reading;
    }
    reading.verdict = "ACCEPT";
    // Document order without recursion: an element's children go on the stack last first.
    std::vector<std::pair<pv::XmlNode, std::string>> pending{{file.root().FirstChild(), ""}};
    while (!pending.empty()) {
        auto [element, parent] = pending.back();
        pending.pop_back();
        const std::string path = parent + "/" + std::string(element.Name());
        reading.elements.push_back(path + "\t" + Escaped(OwnText(element)));
        std::vector<pv::XmlNode> children;
        for (pv::XmlNode child = element.FirstChild(); child; child = child.NextSibling()) {
            children.push_back(child);
        }
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.emplace_back(*child, path);
    }
    return reading;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

const char* KindOf(pv::XmlRefusal refusal) {
    switch (refusal) {
        case pv::XmlRefusal::kOutsideFile:
            return "would load from outside the file";
        case pv::XmlRefusal::kTooDeep:
            return "nested beyond this program's limit";
        case pv::XmlRefusal::kNotVersion10:
            return "XML version other than 1.0";
        case pv::XmlRefusal::kEncoding:
            return "encoding contradicted or not read";
        case pv::XmlRefusal::kTooLarge:
            return "more than this program holds";
        case pv::XmlRefusal::kServerLenient:
            return "not XML, though the JDK lets it pass";
        default:
            return "not well-formed";
    }
}

}  // namespace

int main(int argc, char** argv) {
    int arg = 1;
    bool listDeliberate = false;
    if (arg < argc && std::string(argv[arg]) == "--list-deliberate") {
        listDeliberate = true;
        ++arg;
    }
    if (argc - arg < 2) {
        std::cerr << "usage: xml_oracle_check [--list-deliberate] ORACLE_CLASSES PATH...\n";
        return 2;
    }
    const std::string classes = argv[arg++];
    std::vector<std::string> files;
    for (; arg < argc; ++arg) {
        const fs::path path = argv[arg];
        std::error_code error;
        if (fs::is_directory(path, error)) {
            for (const auto& entry : fs::recursive_directory_iterator(path, error)) {
                if (entry.is_regular_file()) files.push_back(fs::absolute(entry.path()).string());
            }
        } else if (fs::is_regular_file(path, error)) {
            files.push_back(fs::absolute(path).string());
        } else {
            std::cerr << "xml_oracle_check: " << path.string() << " is neither a file nor a folder\n";
            return 2;
        }
    }
    std::sort(files.begin(), files.end());

    std::map<std::string, Reading> ours;
    for (const std::string& file : files) ours[file] = ReadOurs(file);

    char folder[] = "/tmp/xml-oracle-XXXXXX";
    if (!::mkdtemp(folder)) {
        std::perror("xml_oracle_check: mkdtemp");
        return 2;
    }
    const std::string list = std::string(folder) + "/files";
    const std::string output = std::string(folder) + "/jdk";
    {
        std::ofstream out(list, std::ios::binary);
        for (const std::string& file : files) {
            out << (ours[file].windows1252 ? "windows-1252" : "file") << '\t' << file << '\n';
        }
    }
    const std::string command =
        "java -cp " + Quote(classes) + " JdkOracle < " + Quote(list) + " > " + Quote(output);
    const int status = std::system(command.c_str());

    std::map<std::string, Reading> theirs;
    {
        std::ifstream in(output, std::ios::binary);
        std::string line;
        Reading* current = nullptr;
        while (std::getline(in, line)) {
            if (line.rfind("#FILE\t", 0) == 0) {
                current = &theirs[line.substr(6)];
            } else if (!current) {
                continue;
            } else if (current->verdict.empty()) {
                const size_t tab = line.find('\t');
                current->verdict = line.substr(0, tab);
                current->message = tab == std::string::npos ? "" : line.substr(tab + 1);
            } else {
                current->elements.push_back(line);
            }
        }
    }
    std::filesystem::remove_all(folder);
    if (status != 0 || theirs.size() != files.size()) {
        std::cerr << "xml_oracle_check: the JDK's parser did not read every file (java exited with " << status
                  << ", " << theirs.size() << " of " << files.size() << " files read)\n";
        return 2;
    }

    size_t readAlike = 0, refusedAlike = 0, differences = 0;
    std::map<std::string, size_t> deliberate;
    for (const std::string& file : files) {
        const Reading& mine = ours[file];
        const Reading& jdk = theirs[file];
        const bool jdkAccepts = jdk.verdict == "ACCEPT";
        const bool weAccept = mine.verdict == "ACCEPT";
        if (!jdkAccepts && !weAccept) {
            ++refusedAlike;
            continue;
        }
        if (jdkAccepts && !weAccept && pv::IsDeliberateRefusal(mine.refusal)) {
            ++deliberate[KindOf(mine.refusal)];
            if (listDeliberate) std::cout << "refused on purpose: " << file << ": " << mine.message << "\n";
            continue;
        }
        if (jdkAccepts && weAccept && jdk.elements == mine.elements) {
            ++readAlike;
            continue;
        }
        ++differences;
        std::cout << "DIFFERENCE: " << file << (mine.windows1252 ? " (read as Windows-1252)" : "") << "\n"
                  << "  JDK:  " << jdk.verdict << (jdk.message.empty() ? "" : " " + jdk.message) << "\n"
                  << "  ours: " << mine.verdict << (mine.message.empty() ? "" : " " + mine.message) << "\n";
        if (jdkAccepts && weAccept) {
            size_t at = 0;
            while (at < jdk.elements.size() && at < mine.elements.size() &&
                   jdk.elements[at] == mine.elements[at]) {
                ++at;
            }
            std::cout << "  first different element: JDK \""
                      << (at < jdk.elements.size() ? jdk.elements[at] : "(none)") << "\", ours \""
                      << (at < mine.elements.size() ? mine.elements[at] : "(none)") << "\"\n";
        }
    }
    std::cout << "oracle: " << files.size() << " files: " << readAlike << " read alike, " << refusedAlike
              << " refused alike, " << differences << " differences";
    for (const auto& [kind, count] : deliberate)
        std::cout << "; refused on purpose (" << kind << "): " << count;
    std::cout << "\n";
    return differences == 0 ? 0 : 1;
}
