#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/message.h"
#include "core/platform.h"
#include "core/prompts.h"
#include "core/xml.h"

namespace pv {

// Why a configuration file was not read, or that it was.
enum class FileProblem {
    None,        // read, with the expected root element
    Missing,     // nothing at the path
    NotAFile,    // a folder, a pipe, a device or a link loop: never read (reading a pipe could wait for ever)
    Unreadable,  // there, but it could not be read (permissions, an input error)
    Malformed,   // not well-formed XML
    OtherKind,   // well-formed, but its root element is another one
    Stopped,     // the reading of its values stopped part-way, at a value that could not be taken
    Unfinished,  // its last save did not finish, and the copy kept then was neither put back nor removed:
                 // not read (the offer said why)
};

// What a load made of a file, for whoever may write it later: whether it was read, and what was read, which
// the changed-on-disk question measures later changes against (a present fingerprint of nothing when nothing
// was there; none when the file could not be read, so that the question looks at the file itself).
struct FileRead {
    FileProblem problem = FileProblem::Missing;
    std::optional<platform::FileFingerprint> fingerprint = platform::FileFingerprint();

    bool read() const { return problem == FileProblem::None; }
    // Read, or not there at all: a save loses nothing the file held.
    bool readOrMissing() const { return problem == FileProblem::None || problem == FileProblem::Missing; }
};

// A configuration file as the one open function found it: the document, or why it could not be read.
struct OpenedFile : FileRead {
    std::string path;
    XmlFile xml;  // the document of a well-formed file (of another kind too), and its notices
    std::optional<AppError> error;  // NotAFile, Unreadable, Stopped: what stopped the reading
    std::string expectedRoot;

    // The expected root element; a null node unless the file was read, so that every value takes its
    // default.
    XmlNode Root() const;
    // The name of the document's root element ("" when there is no document).
    std::string RootName() const;
    // Whether a well-formed document has this root; makes it OtherKind when not.
    void Expect(const std::string& root);
    // Runs a kind's reading of the values; an AppError it raises stops the reading part-way, and the
    // file is then Stopped (false).
    bool ReadValues(const std::function<void(XmlNode root)>& read);
};

// The one open function of every configuration file kind: reads the whole file at `path` (only then is its
// kind decided) and checks that its root element is `root` ("" takes any). Never throws. A file whose last
// save did not finish is first offered its copy (OfferUnfinishedSave: a window asks, the tool says so); left
// as it is, it is not read (Unfinished).
OpenedFile OpenConfigFile(const std::string& path, const std::string& root, IPrompts& prompts);

// The kind of a file after its article: "a master configuration file", "an Email monitor configuration file".
std::string WithArticle(const std::string& kind);

// The messages of a file that was not read, in the words every load shares.
// An error that stopped the reading, after the load's own prefix ("Unexpected error in LoadFile=").
Message UnreadableMessage(const std::string& prefix, const OpenedFile& file);
// "The file PATH is not well-formed XML (line L, column C: reason)."; a window adds that it shows defaults,
// or `windowConsequence` for a file that has none (a catalogue: " It was read as empty, so ...").
Message MalformedMessage(const OpenedFile& file, const std::string& windowConsequence = {});
// "The file PATH is not a KIND: its root element is <FOUND>, not <EXPECTED>." and what the load does about
// it (`consequence`, said by both; without one, a window says that it shows defaults).
Message OtherKindMessage(const OpenedFile& file, const std::string& kind,
                         const std::string& consequence = {});
// Whether the editor writes a kind of file: a catalogue it only reads.
enum class Written { Yes, No };
// Shows the notices of a file that was read ("The file PATH has no encoding declaration ..."); of a file the
// editor never writes, without what they say of a save.
void ReportNotices(const OpenedFile& file, IPrompts& prompts, Written written = Written::Yes);
// Says what opening `file` found, in the words every load shares: an error that stopped the reading (after
// the load's own `unreadablePrefix`), a document that is not well-formed, or the notices of one that was
// read. False when nothing could be read at all; a file that is not there is for the load to tell.
bool ReportOpened(const OpenedFile& file, const std::string& unreadablePrefix, IPrompts& prompts,
                  Written written = Written::Yes);
// What a load left unread, called once the load has read all it will. Elements are what a save would lose
// (for the save's loss step, which asks or refuses): "The file PATH holds what this window does not keep, and
// a save would leave it out: the elements A/B (2 times), A/C and 3 comments." (the tool says "the editor").
// Comments, processing instructions and a document type alone are no part of what the server reads: they are
// said at once, as a warning, and nothing is returned. Nothing either when the load read everything.
std::optional<Loss> NotKept(const OpenedFile& file, IPrompts& prompts);
// The same, for a load that says at each save where in the file that is: what a save would leave out, and
// the question it makes of it with a sentence of where (" The mailboxes that hold an element left out: ...").
struct NotKeptContent {
    std::string path;
    std::string said;  // " does not keep, and a save would leave it out: ... ."
    std::string what;  // what the elements or attributes left out are: "an element", "an attribute", ...
    Loss Asked(const std::string& where = {}) const;
};
std::optional<NotKeptContent> NotKeptContentOf(const OpenedFile& file, IPrompts& prompts);
// What a load read as another value, which a save writes so: said as the file loaded, so a window saves
// without asking again; `values` are "Element=value (written as other)".
Loss ChangedValuesLoss(const std::string& path, const std::vector<std::string>& values);
// The load's report of a value the window shows (and saves) as another. A window says it before it opens,
// over the window that names the file, so its words name the file; the tool and `check` put the file before
// the words they print.
Message UnknownValueLoaded(const std::string& message, const std::string& path);
// A value a load read as another: what the load says ("Unrecognized Element=value, shown and saved as
// other"), and its entry among the values of ChangedValuesLoss.
struct ShownAsAnother {
    Message said;
    std::string change;
};
ShownAsAnother UnknownValueShownAs(const std::string& element, const std::string& value,
                                   const std::string& shownAs, const std::string& path);

// "1" for a checked box, "0" for a clear one, as every flag of the files is written.
inline const char* FlagText(bool checked) {
    return checked ? "1" : "0";
}
// The rule for reading flags: exactly "0" is false, any other text (the empty one too) is true. A text other
// than the two written is said as it loads (the server's reading of "false", say, is not known).
inline bool FlagValue(const std::string& text) {
    return text != "0";
}
inline bool IsWrittenFlag(const std::string& text) {
    return text == FlagText(false) || text == FlagText(true);
}
// A save that rests on a catalogue that was not read completely (missing, unreadable, or read in part):
// `consequence` names it and says what the file may lose by it. A window asks whether to save anyway; the
// tool refuses, even when told to allow losses, since what would be lost is not known.
Loss UnreadCatalogueLoss(const std::string& consequence);
// "a, b and 3 more": ten items at most, for a message that may be about thousands.
std::string ShortList(const std::vector<std::string>& items);

}  // namespace pv
