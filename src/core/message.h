#pragma once
#include <string>
#include <utility>

namespace pv {

// What a message is. `check` fails on an error and on nothing else, so everything that makes a load or a
// save fail is one; a warning deserves attention but breaks nothing (what a save would leave out of a file
// the server reads as it is); information reports a success; a question wants an answer.
enum class MessageKind { Error, Warning, Information, Question };

// What a message is about, as far as the code that says it knows: empty parts are not known there.
struct Place {
    std::string file;      // the file's full path, or its name as the file that names it holds it
    std::string mailbox;   // the mailbox's name
    std::string category;  // the category of a disposition
    std::string control;   // the control the user has to mend: a window puts the focus there
    int line = 0;          // where in the file, counted from 1, when the reader knows (0: not known)
    int column = 0;

    static Place File(std::string path) {
        Place place;
        place.file = std::move(path);
        return place;
    }
    static Place Control(std::string name) {
        Place place;
        place.control = std::move(name);
        return place;
    }
    bool operator==(const Place&) const = default;
};

// One message of the program as a value. A window shows it in a message box with the icon of its kind, the
// tool prints it, `check` collects it and takes its exit status from the kinds. Where a window and the tool
// word a message differently (a window can send the user to where a value is set, or says what it shows
// instead of the file; the tool names the path), the value carries both wordings.
struct Message {
    Message() = default;
    Message(MessageKind kind, std::string text, std::string toolText = {}, Place place = {})
        : kind(kind), text(std::move(text)), toolText(std::move(toolText)), place(std::move(place)) {}

    MessageKind kind = MessageKind::Error;
    std::string text;      // as a window shows it, and the tool prints it unless `toolText` is given
    std::string toolText;  // the tool's own wording
    Place place;

    bool operator==(const Message&) const = default;
};

inline const std::string& WindowText(const Message& message) {
    return message.text;
}
inline const std::string& ToolText(const Message& message) {
    return message.toolText.empty() ? message.text : message.toolText;
}

// A check that failed: its message, and the control the user has to mend ("" when no single one is at
// fault), which gets the focus once the message has been read.
inline Message Fault(std::string text, std::string control = {}) {
    return {MessageKind::Error, std::move(text), {}, Place::Control(std::move(control))};
}

// Something that is not there: a window names what is missing (and may send the user to where it is set);
// the tool names the path.
inline Message NotFound(std::string windowText, const std::string& toolText, const std::string& path) {
    return {MessageKind::Error, std::move(windowText),
            path.empty() ? toolText + " (no file name is given)" : toolText + ": " + path, Place::File(path)};
}
inline Message NotFound(const std::string& text, const std::string& path) {
    return NotFound(text, text, path);
}
// The same for a folder: an empty path names no folder rather than no file.
inline Message FolderNotFound(const std::string& text, const std::string& path) {
    return {MessageKind::Error, text, path.empty() ? text + " (no folder is given)" : text + ": " + path,
            Place::File(path)};
}
inline Message MissingFile(const std::string& path) {
    return NotFound("Couldn't load file, it doesn't exist", path);
}

// A file that could not be read: a window then shows default values and says so; the tool has nothing to
// show, and what it does instead (write nothing, fail) it says itself.
inline Message ReadAsEmpty(const std::string& text, const std::string& path) {
    return {MessageKind::Error, text + " It was read as empty, so default values are shown.", text,
            Place::File(path)};
}

}  // namespace pv
