#include "master/MailboxCollection.h"

#include "core/errors.h"

namespace pv {

CMailbox& MailboxCollection::Add(std::shared_ptr<CMailbox> record, const std::string& key, size_t position) {
    // One lookup: the slot is taken first, and given back if the record cannot be placed.
    const auto [slot, free] = index_.try_emplace(key);
    if (!free) throw AppError(kErrDuplicateKey, "A mailbox named \"" + key + "\" is already in the list");
    try {
        auto before = order_.end();
        if (position < order_.size())
            before = std::next(order_.begin(), static_cast<std::ptrdiff_t>(position));
        slot->second = order_.insert(before, Entry{key, std::move(record)});
    } catch (...) {
        index_.erase(slot);
        throw;
    }
    return *slot->second->record;
}

size_t MailboxCollection::Position(const std::string& key) const {
    const auto found = index_.find(key);
    if (found == index_.end()) return SIZE_MAX;
    size_t position = 0;
    for (auto entry = order_.begin(); entry != found->second; ++entry) ++position;
    return position;
}

std::shared_ptr<CMailbox> MailboxCollection::Remove(const std::string& key) {
    const auto found = index_.find(key);
    if (found == index_.end()) return nullptr;
    std::shared_ptr<CMailbox> record = found->second->record;
    order_.erase(found->second);
    index_.erase(found);
    return record;
}

CMailbox* MailboxCollection::Find(const std::string& key) const {
    const auto found = index_.find(key);
    return found == index_.end() ? nullptr : found->second->record.get();
}

std::shared_ptr<CMailbox> MailboxCollection::FindShared(const std::string& key) const {
    const auto found = index_.find(key);
    return found == index_.end() ? nullptr : found->second->record;
}

void MailboxCollection::clear() {
    index_.clear();
    order_.clear();
}

std::vector<CMailbox*> MailboxCollection::Records() const {
    std::vector<CMailbox*> records;
    records.reserve(order_.size());
    for (const auto& entry : order_) records.push_back(entry.record.get());
    return records;
}

std::vector<std::string> MailboxCollection::Keys() const {
    std::vector<std::string> keys;
    keys.reserve(order_.size());
    for (const auto& entry : order_) keys.push_back(entry.key);
    return keys;
}

}  // namespace pv
