#pragma once
// The runs that a past-logs search found: the runs of the chosen days, oldest first, each of them
// rendered on demand. Only they are kept, not the rest of the log they came from.
#include "log_model.h"
#include "log_run_source.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class LogReader;

class PastLogRuns : public LogRunSource {
public:
    // `parsed`: a reader that has parsed the log; the runs are those whose keys lie in [from, to].
    // They are taken out of it, and the rest of the parsed log is freed here: on a log of years
    // that takes a while, so this is made off the window's thread.
    PastLogRuns(std::unique_ptr<LogReader> parsed, std::int64_t from, std::int64_t to);
    ~PastLogRuns() override;

    int count() const override { return int(runs.size()); }
    QString html(int i, std::int64_t rows_before, int* rows) const override;
    bool indexed() const override { return indexed_flag.load(std::memory_order_acquire); }
    std::int64_t rows_before(int i) const override { return rows_before_run[std::size_t(i)]; }
    std::int64_t length(int i) const override { return lengths[std::size_t(i)]; }

    // The text of every run as one builder writes it, when it holds at most `limit` characters
    // (the empty text when there is no run); a null string when it is longer.
    QString whole_text(std::int64_t limit) const;
    // Counts the rows and the characters of every run's text without writing it; gives up when `stop`
    // is raised (indexed() stays false then).
    void build_index(const std::atomic<bool>& stop);

private:
    std::vector<LogGroup> runs;
    std::vector<std::int64_t> rows_before_run;
    std::vector<std::int64_t> lengths;
    std::atomic<bool> indexed_flag{false};
};
