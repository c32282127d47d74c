#include "past_log_runs.h"

#include "log_html.h"
#include "log_reader.h"

#include <QLatin1String>

#include <algorithm>
#include <thread>
#include <utility>

namespace {

const QString all_sections = QStringLiteral("ALL");

} // namespace

PastLogRuns::PastLogRuns(std::unique_ptr<LogReader> parsed, std::int64_t from, std::int64_t to) {
    // The runs that set_interval(from, to) and next_group give, moved out of the model: a few days of
    // a log of years are a small part of it.
    LogModel::Groups& groups = parsed->groups();
    for (auto run = groups.lower_bound(from); run != groups.end() && run->first <= to; ++run)
        runs.push_back(std::move(run->second));
    parsed.reset();
}

PastLogRuns::~PastLogRuns() = default;

QString PastLogRuns::html(int i, std::int64_t rows_before, int* rows) const {
    // Rows alternate their background: only whether the count before is odd matters.
    const int start = int(rows_before % 2);
    LogHtml builder(start);
    builder.add_group(&runs[std::size_t(i)], 0, all_sections);
    if (rows)
        *rows = builder.rows() - start;
    return builder.take_html();
}

QString PastLogRuns::whole_text(std::int64_t limit) const {
    LogHtml builder;
    for (const LogGroup& run : runs) {
        builder.add_group(&run, 0, all_sections);
        if (builder.length() > limit)
            return QString();
    }
    return builder.take_html();
}

void PastLogRuns::build_index(const std::atomic<bool>& stop, int threads) {
    const std::size_t n = runs.size();
    std::vector<std::int64_t> rows(n);
    lengths.assign(n, 0);
    // Each thread counts a stretch of runs with a counter of its own; a run's rows and length do not
    // depend on the runs before it.
    auto index_stretch = [&](std::size_t begin, std::size_t end) {
        LogHtml counter = LogHtml::counter();
        for (std::size_t i = begin; i < end && !stop.load(std::memory_order_relaxed); ++i) {
            const int before = counter.rows();
            counter.add_group(&runs[i], 0, all_sections);
            rows[i] = counter.rows() - before;
            lengths[i] = counter.length();
            counter.take_html();
        }
    };
    const std::size_t parts =
        std::size_t(std::max(1, std::min<int>(threads, int(std::max<std::size_t>(n, 1)))));
    std::vector<std::thread> helpers;
    for (std::size_t p = 1; p < parts; ++p)
        helpers.emplace_back(index_stretch, n * p / parts, n * (p + 1) / parts);
    index_stretch(0, n / parts);
    for (std::thread& helper : helpers)
        helper.join();
    if (stop.load())
        return;
    rows_before_run.assign(n, 0);
    for (std::size_t i = 1; i < n; ++i)
        rows_before_run[i] = rows_before_run[i - 1] + rows[i - 1];
    indexed_flag.store(true, std::memory_order_release);
}
