#include "run_heights.h"

void RunHeights::assign(const std::vector<std::int64_t>& heights) {
    heights_ = heights;
    rebuild();
}

void RunHeights::assign(std::size_t count, std::int64_t height) {
    heights_.assign(count, height);
    rebuild();
}

void RunHeights::rebuild() {
    const std::size_t n = heights_.size();
    tree_.assign(n + 1, 0);
    for (std::size_t i = 1; i <= n; ++i) {
        tree_[i] += heights_[i - 1];
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= n)
            tree_[parent] += tree_[i];
    }
}

void RunHeights::set(int run, std::int64_t height) {
    const std::int64_t change = height - heights_[std::size_t(run)];
    if (change == 0)
        return;
    heights_[std::size_t(run)] = height;
    for (std::size_t i = std::size_t(run) + 1; i < tree_.size(); i += i & (~i + 1))
        tree_[i] += change;
}

std::int64_t RunHeights::top(int run) const {
    std::int64_t sum = 0;
    for (std::size_t i = std::size_t(run); i > 0; i -= i & (~i + 1))
        sum += tree_[i];
    return sum;
}

int RunHeights::run_at(std::int64_t y) const {
    const std::size_t n = heights_.size();
    if (n == 0)
        return -1;
    if (y < 0)
        return 0;
    // The largest prefix whose sum is at most y: the run after it holds y.
    std::size_t position = 0;
    std::size_t step = 1;
    while (step * 2 <= n)
        step *= 2;
    for (; step > 0; step /= 2) {
        if (position + step <= n && tree_[position + step] <= y) {
            position += step;
            y -= tree_[position];
        }
    }
    return int(position < n ? position : n - 1);
}
