#pragma once
// A keyed map that iterates in the order its keys first arrived. The log model keeps subsystems,
// devices and resources in it so that a rendered run lists them in the order the log wrote them.
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>
#include <utility>

template <typename Key, typename Value, typename Hash = std::hash<Key>>
class InsertionOrderedMap {
public:
    using Entry = std::pair<Key, Value>;
    // Entries live in list nodes: a reference to one stays valid while further keys are added, which
    // lets the parser keep its place in the tree from line to line. An empty map allocates nothing.
    using Entries = std::list<Entry>;
    using const_iterator = typename Entries::const_iterator;

    InsertionOrderedMap() = default;
    InsertionOrderedMap(const InsertionOrderedMap& other) : entries_(other.entries_) { rebuild_index(); }
    InsertionOrderedMap(InsertionOrderedMap&&) = default;
    InsertionOrderedMap& operator=(const InsertionOrderedMap& other) {
        if (this != &other) {
            entries_ = other.entries_;
            rebuild_index();
        }
        return *this;
    }
    InsertionOrderedMap& operator=(InsertionOrderedMap&&) = default;

    // The value under key; an empty one is inserted at the end when the key is new.
    Value& operator[](const Key& key) {
        if (Entry* found = lookup(key))
            return found->second;
        entries_.emplace_back(key, Value());
        Entry& added = entries_.back();
        if (index_)
            index_->emplace(added.first, &added);
        else if (entries_.size() > linear_limit)
            rebuild_index();
        return added.second;
    }

    Value* find(const Key& key) {
        Entry* found = lookup(key);
        return found ? &found->second : nullptr;
    }
    const Value* find(const Key& key) const {
        const Entry* found = lookup(key);
        return found ? &found->second : nullptr;
    }
    bool contains(const Key& key) const { return lookup(key) != nullptr; }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }

private:
    // Most maps of a log hold a handful of keys: those are searched in order, larger ones hashed.
    static constexpr std::size_t linear_limit = 8;
    using Index = std::unordered_map<Key, Entry*, Hash>;

    Entry* lookup(const Key& key) const {
        if (index_) {
            auto found = index_->find(key);
            return found == index_->end() ? nullptr : found->second;
        }
        for (const Entry& entry : entries_) {
            if (entry.first == key)
                return const_cast<Entry*>(&entry);
        }
        return nullptr;
    }

    void rebuild_index() {
        index_.reset();
        if (entries_.size() <= linear_limit)
            return;
        index_ = std::make_unique<Index>();
        index_->reserve(entries_.size() * 2);
        for (Entry& entry : entries_)
            index_->emplace(entry.first, &entry);
    }

    Entries entries_;
    std::unique_ptr<Index> index_;
};
