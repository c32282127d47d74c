#pragma once
// The protection of each page of one reservation, kept as runs of pages that share a value. A
// reservation of gigabytes is then a few runs, so setting, reading and checking a range cost the
// runs it spans rather than its pages.
#include "win_types.h"

#include <cstddef>
#include <iterator>
#include <map>

namespace zvk_winapi {

class PageStates {
public:
    PageStates(std::size_t pages, DWORD initial) : count(pages) { runs.emplace(0, initial); }

    std::size_t size() const { return count; }

    // The value of `page`, which must be below size().
    DWORD operator[](std::size_t page) const { return std::prev(runs.upper_bound(page))->second; }

    // Pages [first, last) take `value`.
    void set(std::size_t first, std::size_t last, DWORD value) {
        if (first >= last)
            return;
        if (last < count)
            runs.emplace(last, (*this)[last]); // the pages from `last` on keep theirs
        runs.erase(runs.lower_bound(first), runs.lower_bound(last));
        auto run = runs.emplace(first, value).first;
        auto next = std::next(run);
        if (next != runs.end() && next->second == value)
            runs.erase(next);
        if (run != runs.begin() && std::prev(run)->second == value)
            runs.erase(run);
    }

    // Whether `test` holds for the value of every page of [first, last).
    template <class Test> bool all_of(std::size_t first, std::size_t last, Test test) const {
        if (first >= last)
            return true;
        for (auto run = std::prev(runs.upper_bound(first)); run != runs.end() && run->first < last; ++run)
            if (!test(run->second))
                return false;
        return true;
    }

private:
    std::map<std::size_t, DWORD> runs; // each key is the first page of a run that ends at the next key
    std::size_t count;
};

} // namespace zvk_winapi
