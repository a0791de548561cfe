#include "core/ConfigFile.h"

#include <cstdio>
#include <vector>

#include "core/UnfinishedSave.h"
#include "core/prompts.h"

namespace pv {

XmlNode OpenedFile::Root() const {
    if (!read()) return XmlNode();
    // Taken by name, which counts as reading it: the root element is never what a load left out.
    return expectedRoot.empty() ? xml.root().FirstChild() : xml.root().FirstChild(expectedRoot);
}

std::string OpenedFile::RootName() const {
    return std::string(xml.root().FirstChild().Name());
}

void OpenedFile::Expect(const std::string& root) {
    expectedRoot = root;
    if (problem == FileProblem::None && !root.empty() && RootName() != root) problem = FileProblem::OtherKind;
}

bool OpenedFile::ReadValues(const std::function<void(XmlNode root)>& read) {
    try {
        read(Root());
        return true;
    } catch (const AppError& stopped) {
        problem = FileProblem::Stopped;
        error = stopped;
        return false;
    }
}

OpenedFile OpenConfigFile(const std::string& path, const std::string& root, IPrompts& prompts) {
    OpenedFile file;
    file.path = path;
    const platform::PathLook look = platform::LookAt(path);
    if (!look.exists) return file;  // Missing, and nothing there to measure changes against
    if (OfferUnfinishedSave(path, prompts) == UnfinishedSaveChoice::Left) {
        file.problem = FileProblem::Unfinished;
        file.fingerprint.reset();
        return file;
    }
    file.problem = look.notRegular.empty() ? FileProblem::Unreadable : FileProblem::NotAFile;
    try {
        file.xml = LoadXmlFile(path, look.notRegular.empty());
    } catch (const AppError& unreadable) {
        file.error = unreadable;
        file.fingerprint.reset();
        return file;
    }
    file.fingerprint = file.xml.fingerprint;
    file.problem = file.xml.wellFormed ? FileProblem::None : FileProblem::Malformed;
    file.Expect(root);
    return file;
}

std::string WithArticle(const std::string& kind) {
    const char first = kind.empty() ? 'x' : static_cast<char>(kind[0] | 0x20);
    const bool vowel = first == 'a' || first == 'e' || first == 'i' || first == 'o' || first == 'u';
    return (vowel ? "an " : "a ") + kind;
}

Message UnreadableMessage(const std::string& prefix, const OpenedFile& file) {
    const std::string text = FormatError(prefix, file.error.value_or(AppError(kErrFileAccess, "")));
    // The tool puts the path before every message; a window names the file unless the error does (a record
    // that stopped the reading says only which record), for the file may not be the one the window shows.
    if (text.find(file.path) != std::string::npos)
        return {MessageKind::Error, text, {}, Place::File(file.path)};
    return {MessageKind::Error, text + " (in the file " + file.path + ")", text, Place::File(file.path)};
}

Message MalformedMessage(const OpenedFile& file, const std::string& windowConsequence) {
    const std::string text = "The file " + file.path + " is not well-formed XML (" + file.xml.problem + ").";
    Message message = windowConsequence.empty() ? ReadAsEmpty(text, file.path)
                                                : Message{MessageKind::Error, text + windowConsequence, text,
                                                          Place::File(file.path)};
    // The reader says where as "line L, column C: reason"; a report that points into the file wants both.
    int line = 0, column = 0;
    if (std::sscanf(file.xml.problem.c_str(), "line %d, column %d", &line, &column) == 2) {
        message.place.line = line;
        message.place.column = column;
    }
    return message;
}

Message OtherKindMessage(const OpenedFile& file, const std::string& kind, const std::string& consequence) {
    const std::string text = "The file " + file.path + " is not " + WithArticle(kind) +
                             ": its root element is <" + file.RootName() + ">, not <" + file.expectedRoot +
                             ">.";
    if (consequence.empty()) return ReadAsEmpty(text, file.path);
    return {MessageKind::Error, text + consequence, {}, Place::File(file.path)};
}

void ReportNotices(const OpenedFile& file, IPrompts& prompts, Written written) {
    const auto said = [&](std::string text) {
        if (written == Written::No) {
            for (const std::string_view save : {kSaveWritesUtf8, kSaveWritesReplacement}) {
                if (const size_t at = text.find(save); at != std::string::npos) text.erase(at, save.size());
            }
        }
        return "The file " + file.path + " " + text;
    };
    for (const std::string& notice : file.xml.notices) {
        prompts.Show({MessageKind::Error, said(notice), {}, Place::File(file.path)});
    }
    for (const std::string& warning : file.xml.warnings) {
        prompts.Show({MessageKind::Warning, said(warning), {}, Place::File(file.path)});
    }
}

bool ReportOpened(const OpenedFile& file, const std::string& unreadablePrefix, IPrompts& prompts,
                  Written written) {
    switch (file.problem) {
        case FileProblem::NotAFile:
        case FileProblem::Unreadable:
            prompts.Show(UnreadableMessage(unreadablePrefix, file));
            return false;
        case FileProblem::Malformed:
            prompts.Show(MalformedMessage(file));
            return true;
        case FileProblem::Unfinished:
            return false;
        default:
            ReportNotices(file, prompts, written);
            return true;
    }
}

std::string ShortList(const std::vector<std::string>& items) {
    constexpr size_t kShown = 10;
    std::string text;
    for (size_t i = 0; i < items.size() && i < kShown; ++i) text += (i == 0 ? "" : ", ") + items[i];
    if (items.size() > kShown) text += " and " + std::to_string(items.size() - kShown) + " more";
    return text;
}

Loss ChangedValuesLoss(const std::string& path, const std::vector<std::string>& values) {
    return Loss{
        "", "The file " + path + " holds values a save would write otherwise: " + ShortList(values) + "."};
}

Message UnknownValueLoaded(const std::string& message, const std::string& path) {
    return {MessageKind::Error, message + " (in the file " + path + ")", message, Place::File(path)};
}

ShownAsAnother UnknownValueShownAs(const std::string& element, const std::string& value,
                                   const std::string& shownAs, const std::string& path) {
    return {
        UnknownValueLoaded("Unrecognized " + element + "=" + value + ", shown and saved as " + shownAs, path),
        element + "=" + value + " (written as " + shownAs + ")"};
}

Loss UnreadCatalogueLoss(const std::string& consequence) {
    return Loss{consequence + " Do you want to save anyway?", consequence, true};
}

Loss NotKeptContent::Asked(const std::string& where) const {
    return Loss{
        "The file " + path + " holds what this window" + said + where + " Do you want to save anyway?",
        "The file " + path + " holds what the editor" + said + where};
}

std::optional<Loss> NotKept(const OpenedFile& file, IPrompts& prompts) {
    const std::optional<NotKeptContent> content = NotKeptContentOf(file, prompts);
    if (!content) return std::nullopt;
    return content->Asked();
}

std::optional<NotKeptContent> NotKeptContentOf(const OpenedFile& file, IPrompts& prompts) {
    if (!file.read() || !file.xml.document) return std::nullopt;
    const UnreadContent unread = file.xml.document->Unread();
    if (unread.empty()) return std::nullopt;
    // A file of many mailboxes may repeat one unknown element thousands of times: each path is named once,
    // with its count, and a long list is cut short.
    const auto listed = [](const std::vector<UnreadContent::Item>& items) {
        constexpr size_t kShown = 10;
        std::string list;
        for (size_t i = 0; i < items.size() && i < kShown; ++i) {
            if (i > 0) list += ", ";
            list += items[i].path;
            if (items[i].count > 1) list += " (" + std::to_string(items[i].count) + " times)";
        }
        if (items.size() > kShown) list += " and " + std::to_string(items.size() - kShown) + " more";
        return list;
    };
    std::vector<std::string> parts;
    std::vector<UnreadContent::Item> elements;
    std::vector<UnreadContent::Item> attributes;
    for (const UnreadContent::Item& item : unread.items) {
        (item.path.find("/@") == std::string::npos ? elements : attributes).push_back(item);
    }
    if (!elements.empty())
        parts.push_back(std::string(elements.size() == 1 ? "the element " : "the elements ") +
                        listed(elements));
    if (!attributes.empty()) {
        parts.push_back(std::string(attributes.size() == 1 ? "the attribute " : "the attributes ") +
                        listed(attributes));
    }
    // Each by its line, as the elements are by path ("comments at lines 3, 12 and 40"), a long list cut
    // short.
    const auto located = [&](const std::vector<long>& lines, const char* one, const char* many) {
        if (lines.empty()) return;
        std::vector<long> distinct;
        for (const long line : lines) {
            if (distinct.empty() || distinct.back() != line) distinct.push_back(line);
        }
        constexpr size_t kShown = 10;
        std::string list =
            std::string(lines.size() == 1 ? one : many) + (distinct.size() == 1 ? " at line " : " at lines ");
        for (size_t i = 0; i < distinct.size() && i < kShown; ++i) {
            list += (i == 0 ? "" : i + 1 == distinct.size() ? " and " : ", ") + std::to_string(distinct[i]);
        }
        if (distinct.size() > kShown) list += " and " + std::to_string(distinct.size() - kShown) + " more";
        parts.push_back(std::move(list));
    };
    located(unread.comments, "a comment", "comments");
    located(unread.processingInstructions, "a processing instruction", "processing instructions");
    if (!unread.texts.empty()) parts.push_back("text between the elements of " + listed(unread.texts));
    if (!unread.textsWithout.empty()) {
        parts.push_back("text in " + listed(unread.textsWithout) + ", where only elements are read");
    }
    if (unread.documentType) parts.push_back("a document type declaration");
    std::string list;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) list += i + 1 == parts.size() ? " and " : ", ";
        list += parts[i];
    }
    const std::string said = " does not keep, and a save would leave it out: " + list + ".";
    // Comments and the like are no part of what the server reads: said, and no reason not to save.
    if (unread.items.empty()) {
        Message warning{MessageKind::Warning, "The file " + file.path + " holds what this window" + said,
                        "The file " + file.path + " holds what the editor" + said, Place::File(file.path)};
        // A report points at the first of them.
        for (const auto* lines : {&unread.comments, &unread.processingInstructions}) {
            for (const long line : *lines) {
                if (line > 0 && (warning.place.line == 0 || line < warning.place.line))
                    warning.place.line = static_cast<int>(line);
            }
        }
        prompts.Show(warning);
        return std::nullopt;
    }
    return NotKeptContent{file.path, said,
                          elements.empty()     ? "an attribute"
                          : attributes.empty() ? "an element"
                                               : "an element or attribute"};
}

}  // namespace pv
