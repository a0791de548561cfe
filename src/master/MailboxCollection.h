#pragma once
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "mailbox/CMailbox.h"

namespace pv {

// The mailboxes of a master file, in file order, keyed by name. Records stay at one address for their
// whole life, so an editor can work on a record in place.
class MailboxCollection {
  public:
    // Appends the record under `key`, or puts it at `position` (undo puts a removed mailbox back where it
    // was); throws AppError (duplicate key) when the key is taken.
    CMailbox& Add(std::shared_ptr<CMailbox> record, const std::string& key, size_t position = SIZE_MAX);
    // Where the record of `key` stands in the order, or SIZE_MAX.
    size_t Position(const std::string& key) const;
    // Removes the record of `key`; returns it, or null when there is none.
    std::shared_ptr<CMailbox> Remove(const std::string& key);
    CMailbox* Find(const std::string& key) const;
    std::shared_ptr<CMailbox> FindShared(const std::string& key) const;
    bool Contains(const std::string& key) const { return index_.count(key) != 0; }
    size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    void clear();
    // Room for that many records, so that a load does not rehash its index as it grows.
    void Reserve(size_t count) { index_.reserve(count); }
    // The records in collection order.
    std::vector<CMailbox*> Records() const;
    std::vector<std::string> Keys() const;

  private:
    struct Entry {
        std::string key;
        std::shared_ptr<CMailbox> record;
    };
    std::list<Entry> order_;
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

}  // namespace pv
