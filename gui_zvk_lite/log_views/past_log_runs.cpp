#include "past_log_runs.h"

#include "log_html.h"
#include "log_reader.h"

#include <QLatin1String>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

const QString all_sections = QStringLiteral("ALL");
constexpr int past_the_end = std::numeric_limits<int>::max();

} // namespace

PastLogRuns::PastLogRuns(std::unique_ptr<LogReader> parsed, std::int64_t from, std::int64_t to)
    : filter(all_sections) {
    // The runs that set_interval(from, to) and next_group give, moved out of the model: a few days of
    // a log of years are a small part of it.
    LogModel::Groups& groups = parsed->groups();
    for (auto run = groups.lower_bound(from); run != groups.end() && run->first <= to; ++run)
        runs.push_back(std::move(run->second));
    parsed.reset();
    cut_into_pieces();
}

PastLogRuns::PastLogRuns(std::unique_ptr<LogReader> parsed, std::uint64_t run_time_, const QString& module)
    : run_time(run_time_), filter(module) {
    LogModel::Groups& groups = parsed->groups();
    if (!groups.empty()) {
        LogGroup& newest = groups.rbegin()->second;
        if (LogHtml::rows_of(newest, run_time, filter).sections > 0)
            runs.push_back(std::move(newest));
    }
    parsed.reset();
    cut_into_pieces();
}

PastLogRuns::~PastLogRuns() = default;

void PastLogRuns::cut_into_pieces() {
    const LogHtml measure;
    for (int run = 0; run < int(runs.size()); ++run) {
        key_widths.push_back(measure.key_widths(runs[std::size_t(run)], run_time, filter));
        const LogHtml::GroupRows rows = LogHtml::rows_of(runs[std::size_t(run)], run_time, filter);
        // Cut every piece_rows rows or at the next place after that where a cut may be: between two
        // devices, or between two rows of a tests table; the rest of the run goes with its last piece.
        int start = 0;
        const auto cut_at = [&](int cut) {
            pieces.push_back({run, start, cut});
            start = cut;
        };
        for (std::size_t d = 0; d < rows.device_starts.size(); ++d) {
            if (rows.device_starts[d] > 0 && rows.device_starts[d] >= start + piece_rows)
                cut_at(rows.device_starts[d]);
            const auto& table = rows.tests_tables[d];
            // A short rest of a table stays with the piece before it.
            for (int cut = std::max(start + piece_rows, table.first + 1); cut < table.second - piece_rows / 4;
                 cut = start + piece_rows)
                cut_at(cut);
        }
        pieces.push_back({run, start, past_the_end});
    }
}

QString PastLogRuns::html(int i, std::int64_t rows_before, int* rows) const {
    // Rows alternate their background: only whether the count before is odd matters.
    const int start = int(rows_before % 2);
    LogHtml builder(start);
    const Piece& piece = pieces[std::size_t(i)];
    builder.add_group_rows(runs[std::size_t(piece.run)], run_time, filter, piece.first, piece.end,
                           &key_widths[std::size_t(piece.run)]);
    if (rows)
        *rows = builder.rows() - start;
    return builder.take_html();
}

QString PastLogRuns::whole_text(std::int64_t limit) const {
    LogHtml builder;
    for (const LogGroup& run : runs) {
        builder.add_group(&run, run_time, filter);
        if (builder.length() > limit)
            return QString();
    }
    return builder.take_html();
}

void PastLogRuns::build_index(const std::atomic<bool>& stop) {
    const std::size_t n = pieces.size();
    std::vector<std::int64_t> rows(n);
    lengths.assign(n, 0);
    // On this one thread: the counting turns every record's time into local time, which the C library
    // does under a lock of its own, so more threads only wait for each other (35,000 runs: 1.8 s here,
    // 2.7 s on seven threads, and the window's thread waited on that lock too).
    LogHtml counter = LogHtml::counter();
    for (std::size_t i = 0; i < n && !stop.load(std::memory_order_relaxed); ++i) {
        const Piece& piece = pieces[i];
        const int before = counter.rows();
        counter.add_group_rows(runs[std::size_t(piece.run)], run_time, filter, piece.first, piece.end,
                               &key_widths[std::size_t(piece.run)]);
        rows[i] = counter.rows() - before;
        lengths[i] = counter.length();
        counter.take_html();
    }
    if (stop.load())
        return;
    rows_before_piece.assign(n, 0);
    for (std::size_t i = 1; i < n; ++i)
        rows_before_piece[i] = rows_before_piece[i - 1] + rows[i - 1];
    indexed_flag.store(true, std::memory_order_release);
}
