#include "ui/AccessKeys.h"

#include <QStringList>
#include <algorithm>
#include <functional>
#include <map>

namespace pv::ui {
namespace {

// The positions a caption may take its key from, best first; one position per distinct key.
std::vector<int> Candidates(const QString& caption) {
    std::vector<int> positions;
    std::vector<QChar> keys;
    const auto add = [&](int i) {
        const QChar key = caption[i].toLower();
        for (const QChar taken : keys) {
            if (taken == key) return;
        }
        keys.push_back(key);
        positions.push_back(i);
    };
    // First letters of the words that carry the meaning ("Exit and Discard Changes": E, D, C), then of
    // the small ones.
    static const QStringList small = {"a",  "an", "and", "as", "at",  "by", "for", "if",
                                      "in", "of", "on",  "or", "the", "to", "with"};
    std::vector<int> smallWords;
    for (int i = 0; i < caption.size(); ++i) {
        const bool startsWord = i == 0 || !caption[i - 1].isLetterOrNumber();
        if (!caption[i].isLetter() || !startsWord) continue;
        int end = i;
        while (end < caption.size() && caption[end].isLetterOrNumber()) ++end;
        if (small.contains(caption.mid(i, end - i).toLower())) {
            smallWords.push_back(i);
        } else {
            add(i);
        }
    }
    for (const int i : smallWords) add(i);
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i].isLetter()) add(i);
    }
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i].isDigit()) add(i);
    }
    return positions;
}

// The candidates of a caption that changes: the keys every one of its captions has, preferred as in the
// first, at their positions in the caption shown now.
std::vector<int> SharedCandidates(const QString& caption, const QStringList& captions) {
    const std::vector<int> own = Candidates(caption);
    if (captions.isEmpty()) return own;
    std::vector<int> positions;
    for (const int first : Candidates(captions.front())) {
        const QChar key = captions.front()[first].toLower();
        const bool shared = std::all_of(captions.begin(), captions.end(), [key](const QString& other) {
            return other.toLower().contains(key);
        });
        if (!shared) continue;
        for (const int position : own) {
            if (caption[position].toLower() == key) positions.push_back(position);
        }
    }
    return positions;
}

// The commands many windows share, by caption, with the key each has in every window.
struct CommandKey {
    QString caption;
    QChar key;
    bool destructive = false;
};

const std::vector<CommandKey>& CommandKeys() {
    // Delete and the ways out without saving are the destructive ones; Cancel only closes a chooser.
    static const std::vector<CommandKey> commands = {
        {"Save", 's'},
        {"Save and Exit", 's'},
        {"Save and exit", 's'},
        {"Exit and Save Changes", 's'},
        {"Reload", 'r'},
        {"History…", 'y'},
        {"Add", 'a'},
        {"Edit", 'e'},
        {"Move Up", 'u'},
        {"Move Down", 'n'},
        {"Go", 'g'},
        {"Cancel", 'c'},
        {"Help", 'h'},
        {"About", 'o'},
        {"Overview", 'v'},
        {"Delete", 'd', true},
        {"Exit and Discard Changes", 'x', true},
        {"Exit without saving", 'x', true},
        {"Cancel and exit", 'x', true},
    };
    return commands;
}

// The command a caption is, if it is one of CommandKeys().
const CommandKey* CommandOf(const QString& caption) {
    for (const CommandKey& command : CommandKeys()) {
        if (command.caption == caption) return &command;
    }
    return nullptr;
}

}  // namespace

std::vector<int> ChooseAccessKeys(const std::vector<AccessKeyRequest>& requests) {
    const size_t count = requests.size();
    std::vector<int> chosen(count, -1);
    std::vector<bool> fixed(count, false);
    std::map<QChar, size_t> owner;
    const auto keyOf = [&](size_t i, int position) { return requests[i].caption[position].toLower(); };
    std::vector<std::vector<int>> candidates(count);
    for (size_t i = 0; i < count; ++i) {
        candidates[i] = SharedCandidates(requests[i].caption, requests[i].captions);
        // A command takes its own key, the first caption of it in the window if there are two.
        const CommandKey* command = CommandOf(requests[i].caption);
        if (!command || owner.count(command->key)) continue;
        for (const int position : candidates[i]) {
            if (keyOf(i, position) != command->key) continue;
            owner[command->key] = i;
            chosen[i] = position;
            fixed[i] = true;
            break;
        }
    }
    // The keys of destructive commands are theirs alone, in every window.
    const auto reserved = [](QChar key) {
        return std::any_of(CommandKeys().begin(), CommandKeys().end(), [key](const CommandKey& command) {
            return command.destructive && command.key == key;
        });
    };
    for (size_t i = 0; i < count; ++i) {
        std::erase_if(candidates[i], [&](int position) { return reserved(keyOf(i, position)); });
    }
    // A key a caption had stays with it.
    for (size_t i = 0; i < count; ++i) {
        const int kept = requests[i].kept;
        if (fixed[i] || kept < 0 ||
            std::find(candidates[i].begin(), candidates[i].end(), kept) == candidates[i].end() ||
            owner.count(keyOf(i, kept)))
            continue;
        owner[keyOf(i, kept)] = i;
        chosen[i] = kept;
        fixed[i] = true;
    }
    // An augmenting path: caption i takes a key held by a caption of its own rank that can move on.
    std::function<bool(size_t, std::map<QChar, bool>&)> place = [&](size_t i, std::map<QChar, bool>& seen) {
        for (const int position : candidates[i]) {
            const QChar key = keyOf(i, position);
            if (seen[key]) continue;
            seen[key] = true;
            const auto held = owner.find(key);
            const bool movable = held != owner.end() && !fixed[held->second] &&
                                 requests[held->second].rank == requests[i].rank;
            if (held == owner.end() || (movable && place(held->second, seen))) {
                owner[key] = i;
                chosen[i] = position;
                return true;
            }
        }
        return false;
    };
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::pair(requests[a].folds, requests[a].rank) <
               std::pair(requests[b].folds, requests[b].rank);
    });
    for (const size_t i : order) {
        if (fixed[i]) continue;
        for (const int position : candidates[i]) {
            if (!owner.count(keyOf(i, position))) {
                owner[keyOf(i, position)] = i;
                chosen[i] = position;
                break;
            }
        }
        if (chosen[i] >= 0) continue;
        std::map<QChar, bool> seen;
        place(i, seen);
    }
    return chosen;
}

QString WithAccessKey(const QString& caption, int position) {
    QString text;
    text.reserve(caption.size() + 4);
    for (int i = 0; i < caption.size(); ++i) {
        if (i == position) text += u'&';
        text += caption[i];
        if (caption[i] == u'&') text += u'&';
    }
    return text;
}

QString WithoutAccessKey(const QString& text) {
    QString caption;
    caption.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        caption += text[i];
    }
    return caption;
}

}  // namespace pv::ui
