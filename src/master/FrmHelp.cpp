#include "master/FrmHelp.h"

#include <algorithm>

#include "core/errors.h"
#include "core/platform.h"
#include "names/frmHelp.h"

namespace pv {
using namespace names::frmHelp;

namespace {

// Calls `each` with every line of the Markdown, its line end kept, and whether a fenced code block holds it
// (the line that opens one counts as held, the one that closes it does not).
template <typename Each>
void ForEachLine(const std::string& markdown, Each each) {
    bool inFence = false;
    size_t start = 0;
    while (start < markdown.size()) {
        size_t end = markdown.find('\n', start);
        end = end == std::string::npos ? markdown.size() : end + 1;
        const std::string line = markdown.substr(start, end - start);
        start = end;
        if (line.starts_with("```")) inFence = !inFence;
        each(line, inFence);
    }
}

// The README's pictures are files of the source tree, which is not installed, and an image the window
// cannot load shows as a broken icon: the help says what the picture shows and where to find it instead.
// Code (fenced or between backticks) is left as it is written.
std::string PicturesAsWords(const std::string& markdown) {
    std::string text;
    ForEachLine(markdown, [&](const std::string& line, bool inFence) {
        if (inFence || line.find("![") == std::string::npos) {
            text += line;
            return;
        }
        bool inCode = false;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '`') inCode = !inCode;
            if (!inCode && line.compare(i, 2, "![") == 0) {
                const size_t altEnd = line.find("](", i + 2);
                const size_t pathEnd = altEnd == std::string::npos ? altEnd : line.find(')', altEnd + 2);
                if (pathEnd != std::string::npos) {
                    text += "*Picture: " + line.substr(i + 2, altEnd - i - 2) + " (`" +
                            line.substr(altEnd + 2, pathEnd - altEnd - 2) + "` in the source)*";
                    i = pathEnd;
                    continue;
                }
            }
            text += line[i];
        }
    });
    return text;
}

}  // namespace

std::string MarkdownSections(const std::string& markdown, const std::vector<std::string>& headings) {
    std::string text;
    bool taking = false;
    // A "## " line in a fenced code block is no heading.
    ForEachLine(markdown, [&](const std::string& line, bool inFence) {
        if (!inFence && line.starts_with("## ")) {
            std::string heading = line.substr(3);
            while (!heading.empty() && (heading.back() == '\n' || heading.back() == '\r')) heading.pop_back();
            taking = std::find(headings.begin(), headings.end(), heading) != headings.end();
        }
        if (taking) text += line;
    });
    return text;
}

std::string HelpFilePath(const std::string& programDirectory) {
    return platform::ParentFolder(programDirectory) + "/share/postvane-config/README.md";
}

FrmHelp::FrmHelp(Services& services) : Form(frmHelp, "PostvaneConfig Help") {
    const std::string path = HelpFilePath(services.paths.programDirectory());
    std::string text;
    try {
        text = PicturesAsWords(MarkdownSections(platform::ReadFileBytes(path), kHelpSections));
    } catch (const AppError&) {
    }
    if (text.empty()) {
        text = "The help text was not found in " + path +
               ". The manual pages say the same: `man postvane-config` and `man postvane-config-tool`.";
    }
    AddControl(txtHelp, ControlKind::TextBox, text).readOnly = true;
    mutableControl(txtHelp).accessibleName = "Help";
    AddControl(cmdEscape, ControlKind::Button, "Close");
    setDefaultButton(cmdEscape);
    OnClick(cmdEscape, [this] { Close(); });
}

}  // namespace pv
