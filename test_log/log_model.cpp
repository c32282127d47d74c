#include "log_model.h"

const LogGroup* LogModel::last_group() const {
    if (groups_.empty())
        return nullptr;
    return &groups_.rbegin()->second;
}

void LogModel::set_interval(std::int64_t from, std::int64_t to) {
    interval_from_ = from;
    interval_to_ = to;
    cursor_ = groups_.lower_bound(from);
    has_cursor_ = true;
}

const LogGroup* LogModel::next_group() {
    if (!has_cursor_ || cursor_ == groups_.end() || cursor_->first > interval_to_)
        return nullptr;
    const LogGroup* group = &cursor_->second;
    ++cursor_;
    return group;
}
