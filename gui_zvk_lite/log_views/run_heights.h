#pragma once
// The heights of many runs in pixels, each measured or estimated, with the sums a scroll bar over all
// of them needs: where a run begins, and which run lies at a place. Both in logarithmic time, so that
// a height can change at every step of scrolling through tens of thousands of runs.
#include <cstddef>
#include <cstdint>
#include <vector>

class RunHeights {
public:
    // `heights.size()` runs of these heights.
    void assign(const std::vector<std::int64_t>& heights);
    // `count` runs, each `height` high.
    void assign(std::size_t count, std::int64_t height);
    // Every run gets the height `height_of(run)` gives; the heights it reads are the old ones. In the
    // memory the heights already have: fresh memory of a few hundred kilobytes costs the window's
    // thread milliseconds of page faults just after a parsed log went back to the system.
    template <class HeightOf> void reassign(HeightOf height_of) {
        for (std::size_t i = 0; i < heights_.size(); ++i)
            heights_[i] = height_of(int(i));
        rebuild();
    }
    void set(int run, std::int64_t height);

    int count() const { return int(heights_.size()); }
    std::int64_t height(int run) const { return heights_[std::size_t(run)]; }
    // The sum of the heights before `run` (0 for the first, the total for count()).
    std::int64_t top(int run) const;
    std::int64_t total() const { return top(count()); }
    // The run whose span [top, top + height) holds `y`: the first one for a y before 0, the last one
    // for a y at or past the total. -1 without runs.
    int run_at(std::int64_t y) const;

private:
    void rebuild();

    std::vector<std::int64_t> heights_;
    std::vector<std::int64_t> tree_; // Fenwick tree over the heights, 1-based
};
