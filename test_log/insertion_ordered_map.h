#pragma once
// A keyed map that iterates in the order its keys first arrived. The log model keeps subsystems,
// devices and resources in it so that a rendered run lists them in the order the log wrote them.
#include <cstddef>
#include <deque>
#include <functional>
#include <unordered_map>
#include <utility>

template <typename Key, typename Value, typename Hash = std::hash<Key>>
class InsertionOrderedMap {
public:
    using Entry = std::pair<Key, Value>;
    // Entries live in a deque: a reference to one stays valid while further keys are added, which
    // lets the parser keep its place in the tree from line to line.
    using Entries = std::deque<Entry>;
    using const_iterator = typename Entries::const_iterator;

    // The value under key; an empty one is inserted at the end when the key is new.
    Value& operator[](const Key& key) {
        auto found = index_.find(key);
        if (found != index_.end())
            return entries_[found->second].second;
        index_.emplace(key, entries_.size());
        entries_.emplace_back(key, Value());
        return entries_.back().second;
    }

    Value* find(const Key& key) {
        auto found = index_.find(key);
        return found == index_.end() ? nullptr : &entries_[found->second].second;
    }
    const Value* find(const Key& key) const {
        auto found = index_.find(key);
        return found == index_.end() ? nullptr : &entries_[found->second].second;
    }
    bool contains(const Key& key) const { return index_.count(key) != 0; }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }

private:
    Entries entries_;
    std::unordered_map<Key, std::size_t, Hash> index_;
};
