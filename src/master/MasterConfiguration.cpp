#include "master/MasterConfiguration.h"

#include <exception>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "core/LargeMemory.h"
#include "core/blankends.h"
#include "core/errors.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/prompts.h"

namespace pv {

namespace {
constexpr const char* kRoot = "ResponseHandler";
constexpr const char* kStopped = "Unexpected error in LoadFile=";

struct ReadMailbox {
    std::shared_ptr<CMailbox> record;
    // Its name, copied by the thread that read it, beside the others: taking each from its record afterwards
    // fetched thousands of records from the other core's cache one by one: 4-8 ms of 10,000, against 1-2 now.
    std::string key;
    std::vector<std::string> readAsOther;  // its numbers a save writes otherwise
    std::exception_ptr failure;            // what stopped its reading; the mailboxes after it are not read
};

// Mailboxes of a large master are read on two threads, the first half on this one: each record reads only
// its own element (and marks only that branch read), so the halves share nothing. 10,000 mailboxes take
// about 20 ms on one thread; a thread costs far less than a thousand of them.
constexpr size_t kMailboxesWorthAThread = 1000;
// The helper's heap, prepared as the reading thread's is: a thread's first blocks come from a heap of its
// own, which would otherwise grow page by page under 5,000 records (a fifth of the helper's time went to it).
constexpr size_t kRecordsHeap = size_t{8} << 20;

std::vector<ReadMailbox> ReadMailboxes(const std::vector<XmlNode>& nodes) {
    std::vector<ReadMailbox> read(nodes.size());
    const auto readRange = [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            try {
                read[i].record = CMailbox::FromNode(nodes[i], read[i].readAsOther, i + 1);
                read[i].key = read[i].record->sName;
            } catch (...) {
                read[i].failure = std::current_exception();
                return;
            }
        }
    };
    const size_t half = nodes.size() / 2;
    if (nodes.size() < 2 * kMailboxesWorthAThread || std::thread::hardware_concurrency() < 2) {
        readRange(0, nodes.size());
        return read;
    }
    std::optional<std::jthread> helper;
    try {
        helper.emplace([&readRange, half, end = nodes.size()] {
            PrepareHeap(kRecordsHeap);
            readRange(half, end);
        });
    } catch (const std::system_error&) {
        readRange(half, nodes.size());  // no thread to be had: this one reads both halves
    }
    readRange(0, half);
    if (helper) helper->join();
    return read;
}

// Why mailbox i cannot join the list: its name is taken. A mailbox without a Name has the default name, which
// names none in the file: it is named by its place.
std::string NameTaken(const std::vector<XmlNode>& nodes, const std::vector<ReadMailbox>& read, size_t i) {
    const std::string& name = read[i].key;
    if (!nodes[i].FirstChild("Name")) {
        return "Mailbox " + std::to_string(i + 1) + " has no Name, and a mailbox named \"" + name +
               "\", the name it is given, is already in the list";
    }
    const std::string taken = "A mailbox named \"" + name + "\" is already in the list";
    for (size_t j = 0; j < i; ++j) {
        if (read[j].key == name && !nodes[j].FirstChild("Name"))
            return taken + ": mailbox " + std::to_string(j + 1) +
                   ", which has no Name and is given that name";
    }
    return taken;
}
}  // namespace

FileRead MasterConfiguration::Load(const PathContext& paths, IPrompts& prompts) {
    return Load(OpenConfigFile(paths.MakeMasterPath(MasterFilePath), kRoot, prompts), prompts);
}

FileRead MasterConfiguration::Load(OpenedFile file, IPrompts& prompts) {
    file.Expect(kRoot);
    if (file.problem == FileProblem::Missing) {
        prompts.Show(MissingFile(file.path));
        return file;
    }
    notKept_.reset();
    notKeptHolders_.clear();
    changedValues_.clear();
    if (!ReportOpened(file, kStopped, prompts)) return file;
    // Another kind of configuration file: taken for an empty master, the next save would replace it.
    if (file.problem == FileProblem::OtherKind)
        prompts.Show(OtherKindMessage(file, "master configuration file"));
    Mailboxes.clear();
    std::vector<XmlNode> nodes;
    std::vector<std::string> numbers;       // rounded, as changedValues_ names them
    std::vector<std::string> flags;         // neither 0 nor 1, the same way
    std::vector<std::string> accounts;      // with an empty piece, the same way
    std::vector<std::string> blankEnded;    // the names of mailboxes whose passwords have blank ends
    std::vector<std::string> unknownImage;  // and of those whose scrambled passwords hold unknown images
    const bool complete = file.ReadValues([&](XmlNode root) {
        MonitorConfigFile = ReadNodeText(root, "MonitorConfigFile", "+/monitor.xml");
        DispositionTypesFile1 = ReadNthNodeText(root, "DispositionTypesFile", 1, "+/dispositionTypes.xml");
        DispositionTypesFile2 = ReadNthNodeText(root, "DispositionTypesFile", 2, "");
        CategoryDefinitionsFile1 =
            ReadNthNodeText(root, "CategoryDefinitionsFile", 1, "+/categoryDefinitions.xml");
        CategoryDefinitionsFile2 = ReadNthNodeText(root, "CategoryDefinitionsFile", 2, "");
        MessageFieldsFile1 = ReadNthNodeText(root, "MessageFieldsFile", 1, "+/MessageFields.xml");
        MessageFieldsFile2 = ReadNthNodeText(root, "MessageFieldsFile", 2, "");
        const std::string onePass = ReadNodeText(root, "OnePass", "0");
        OnePass = FlagValue(onePass);
        if (!IsWrittenFlag(onePass)) {
            ShownAsAnother shown = UnknownValueShownAs("OnePass", onePass, FlagText(OnePass), file.path);
            prompts.Show(shown.said);
            changedValues_.push_back(std::move(shown.change));
        }
        CategorizationOverridesFile = ReadNodeText(root, "CategorizationOverridesFile", "");
        // The main window shows each in a one-line box.
        for (const auto& [element, value] : {std::pair{"MonitorConfigFile", &MonitorConfigFile},
                                             {"DispositionTypesFile", &DispositionTypesFile1},
                                             {"DispositionTypesFile", &DispositionTypesFile2},
                                             {"CategoryDefinitionsFile", &CategoryDefinitionsFile1},
                                             {"CategoryDefinitionsFile", &CategoryDefinitionsFile2},
                                             {"MessageFieldsFile", &MessageFieldsFile1},
                                             {"MessageFieldsFile", &MessageFieldsFile2},
                                             {"CategorizationOverridesFile", &CategorizationOverridesFile}}) {
            if (auto warning = LineBreakInOneLineBox(element, *value, file.path))
                prompts.Show(std::move(*warning));
        }
        nodes = SelectNodeList(root, "Mailboxes/Mailbox");
        std::vector<ReadMailbox> read = ReadMailboxes(nodes);
        Mailboxes.Reserve(nodes.size());
        // In file order, as one thread would: the first mailbox that cannot be read, or whose name is taken,
        // stops the load, and those before it are kept.
        for (size_t i = 0; i < read.size(); ++i) {
            ReadMailbox& mailbox = read[i];
            if (mailbox.failure) std::rethrow_exception(mailbox.failure);
            for (const std::string& value : mailbox.readAsOther) {
                changedValues_.push_back("Mailbox \"" + mailbox.key + "\": " + value);
                if (value == CMailbox::kBlankEndedPassword) {
                    blankEnded.push_back("\"" + mailbox.key + "\"");
                } else if (value == CMailbox::kUnknownImagePassword) {
                    unknownImage.push_back("\"" + mailbox.key + "\"");
                } else {
                    (CMailbox::IsFlag(value)      ? flags
                     : CMailbox::IsAccount(value) ? accounts
                                                  : numbers)
                        .push_back(changedValues_.back());
                }
            }
            try {
                Mailboxes.Add(std::move(mailbox.record), mailbox.key);
            } catch (const AppError& taken) {
                if (taken.number() != kErrDuplicateKey) throw;
                throw AppError(kErrDuplicateKey, NameTaken(nodes, read, i));
            }
        }
    });
    const auto say = [&](const std::string& these, const std::string& said,
                         const std::vector<std::string>& list) {
        if (list.empty()) return;
        prompts.Show({MessageKind::Error, these + " in the file " + file.path + said + ShortList(list),
                      these + said + ShortList(list), Place::File(file.path)});
    };
    say("These numbers of mailboxes",
        " are not whole numbers: they are shown, and saved, rounded: ", numbers);
    say("These flags of mailboxes", " are neither 0 nor 1: they are shown, and saved, as 1 or 0: ", flags);
    say("The accounts of these mailboxes",
        " have an empty piece (a backslash at either end, or two together): they are shown, and saved, as the Domain, "
        "Username and Mailbox Alias boxes join them: ",
        accounts);
    say("The passwords of these mailboxes",
        " begin or end with a blank, which is shown here as part of the password, but which a reader that "
        "drops the blanks around a value does not take: type each password again and save, so that every "
        "reader reads it alike: ",
        blankEnded);
    say("The passwords of these mailboxes",
        " are scrambled, but hold characters that scrambling never writes: they are shown here as they are, "
        "but the server may read them otherwise: type each password again and save, so that every reader "
        "reads it alike: ",
        unknownImage);
    if (!complete) {
        prompts.Show(UnreadableMessage(kStopped, file));
    } else {
        // Of thousands of mailboxes, those to mend, named at each save: a read that stopped part-way leaves
        // none unread.
        notKept_ = NotKeptContentOf(file, prompts);
        if (notKept_) {
            const std::vector<CMailbox*> records = Mailboxes.Records();
            for (size_t i = 0; i < nodes.size() && i < records.size(); ++i) {
                if (nodes[i].HoldsUnread())
                    notKeptHolders_.push_back(Mailboxes.FindShared(records[i]->sName));
            }
        }
    }
    return file;
}

std::optional<Loss> MasterConfiguration::WhatASaveLeavesOut() const {
    if (!notKept_) return std::nullopt;
    // The records that held it, in the list now under their names now, or removed from it (an undo puts a
    // mailbox back, not what the file held in it that the window never kept).
    std::vector<std::string> holding;
    std::vector<std::string> removed;
    for (const std::shared_ptr<CMailbox>& holder : notKeptHolders_) {
        (Mailboxes.FindShared(holder->sName) == holder ? holding : removed)
            .push_back("\"" + holder->sName + "\"");
    }
    std::string where;
    if (!holding.empty()) {
        where += std::string(holding.size() == 1 ? " The mailbox that holds " : " The mailboxes that hold ") +
                 notKept_->what + " left out: " + ShortList(holding) + ".";
    }
    if (!removed.empty()) {
        where += std::string(removed.size() == 1 ? " The mailbox removed from the list that held "
                                                 : " The mailboxes removed from the list that held ") +
                 notKept_->what + " left out: " + ShortList(removed) +
                 " (Undo puts a mailbox back, but not what it held that this window does not keep).";
    }
    return notKept_->Asked(where);
}

std::string MasterConfiguration::WriteText(const std::string& referringFile, const PathContext& paths,
                                           IPrompts& prompts) {
    const ReferringFileScope scope(paths, referringFile, ReferringFileScope::Writing{});
    const auto stored = [&](const std::string& value) {
        return paths.MakeStoredPath(true, value, referringFile);
    };
    std::string buffer;
    buffer.reserve(256 + Mailboxes.size() * 1100);
    WriteOpenTag(buffer, "ResponseHandler", 0);
    WriteElement(buffer, "MonitorConfigFile", stored(MonitorConfigFile), 1);
    const auto writePair = [&](const char* tag, const std::string& first, const std::string& second) {
        WriteElement(buffer, tag, stored(first), 1);
        if (!second.empty()) WriteElement(buffer, tag, stored(second), 1);
    };
    writePair("DispositionTypesFile", DispositionTypesFile1, DispositionTypesFile2);
    writePair("CategoryDefinitionsFile", CategoryDefinitionsFile1, CategoryDefinitionsFile2);
    writePair("MessageFieldsFile", MessageFieldsFile1, MessageFieldsFile2);
    WriteElement(buffer, "OnePass", OnePass ? "1" : "0", 1);
    if (!CategorizationOverridesFile.empty()) {
        WriteElement(buffer, "CategorizationOverridesFile", stored(CategorizationOverridesFile), 1);
    }
    WriteOpenTag(buffer, "Mailboxes", 1);
    for (CMailbox* mailbox : Mailboxes.Records()) {
        try {
            mailbox->writeToString(buffer, 2, referringFile, paths, prompts);
        } catch (UnwritableValue& error) {
            error.Within("of mailbox \"" + mailbox->sName + "\"");
            throw;
        }
        mailbox->Changed = false;
    }
    WriteCloseTag(buffer, "Mailboxes", 1);
    WriteCloseTag(buffer, "ResponseHandler", 0);
    return buffer;
}

FileSave MasterConfiguration::Saving(const std::string& referringFile, const PathContext& paths,
                                     IPrompts& prompts) {
    FileSave save;
    save.path = paths.MakeMasterPath(MasterFilePath);
    save.text = [this, referringFile, &paths, &prompts] {
        return std::optional<std::string>(WriteText(referringFile, paths, prompts));
    };
    if (std::optional<Loss> leftOut = WhatASaveLeavesOut()) save.losses.push_back(std::move(*leftOut));
    // Said as the file loaded: a window saves without asking again; the tool does not write it unasked.
    if (!changedValues_.empty()) save.losses.push_back(ChangedValuesLoss(save.path, changedValues_));
    save.written = [this] {
        notKept_.reset();
        notKeptHolders_.clear();
        changedValues_.clear();
    };
    return save;
}

std::string MasterConfiguration::SkeletonText() {
    return "<ResponseHandler>\r\n"
           "\t<DispositionTypesFile>+/customDispositionTypes.xml</DispositionTypesFile>\r\n"
           "\t<DispositionTypesFile>+/systemDispositionTypes.xml</DispositionTypesFile>\r\n"
           "\t<CategoryDefinitionsFile>+/customCategoryDefinitions.xml</CategoryDefinitionsFile>\r\n"
           "\t<CategoryDefinitionsFile>+/systemCategoryDefinitions.xml</CategoryDefinitionsFile>\r\n"
           "\t<MessageFieldsFile>+/customMessageFields.xml</MessageFieldsFile>\r\n"
           "\t<MessageFieldsFile>+/systemMessageFields.xml</MessageFieldsFile>\r\n"
           "</ResponseHandler>\r\n";
}

void MasterConfiguration::CreateSkeleton(const std::string& fullPath) {
    // Made only where no file is: one that another program made meanwhile (while the user was asked whether
    // to create it, and whether to save the open one) is never replaced; the write then fails, saying so.
    const platform::FileFingerprint nothing;
    // Unlike a saved file, the skeleton ends with a single line end.
    platform::ReplaceFileAtomically(fullPath, SkeletonText(), &nothing);
}

MasterLinks LinksOf(const MasterConfiguration& master, const PathContext& paths) {
    MasterLinks links;
    links.masterFilePath = paths.MakeMasterPath(master.MasterFilePath);
    links.dispositionTypes[0] = master.DispositionTypesFile1;
    links.dispositionTypes[1] = master.DispositionTypesFile2;
    links.categoryDefinitions[0] = master.CategoryDefinitionsFile1;
    links.categoryDefinitions[1] = master.CategoryDefinitionsFile2;
    links.messageFields[0] = master.MessageFieldsFile1;
    links.messageFields[1] = master.MessageFieldsFile2;
    return links;
}

}  // namespace pv
