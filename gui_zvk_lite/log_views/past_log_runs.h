#pragma once
// The runs that a log view shows: the runs of the chosen days, oldest first (Past logs), or the
// newest run's sections of one module (View logs). Only they are kept, not the rest of the log they
// came from. They are shown in pieces, each rendered on demand: a run, or, for a run of many records,
// its head and then blocks of about a hundred rows of its tests tables, so that no piece takes long to
// render and lay out, however many records a run holds.
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
    // Rows a piece holds, about: a run of more is cut, between rows of its tests tables.
    static constexpr int piece_rows = 100;

    // `parsed`: a reader that has parsed the log; the runs are those whose keys lie in [from, to], all
    // of their sections. They are taken out of it, and the rest of the parsed log is freed here: on a
    // log of years that takes a while, so this is made off the window's thread.
    PastLogRuns(std::unique_ptr<LogReader> parsed, std::int64_t from, std::int64_t to);
    // The newest run of `parsed`, its sections that add_group's filter `module` selects with
    // `run_time`; no run when it has none.
    PastLogRuns(std::unique_ptr<LogReader> parsed, std::uint64_t run_time, const QString& module);
    ~PastLogRuns() override;

    // The pieces.
    int count() const override { return int(pieces.size()); }
    QString html(int i, std::int64_t rows_before, int* rows) const override;
    bool indexed() const override { return indexed_flag.load(std::memory_order_acquire); }
    std::int64_t rows_before(int i) const override { return rows_before_piece[std::size_t(i)]; }
    std::int64_t length(int i) const override { return lengths[std::size_t(i)]; }
    // The runs, and the run that piece `i` belongs to.
    int run_count() const { return int(runs.size()); }
    int run_of(int i) const { return pieces[std::size_t(i)].run; }

    // The text of every run as one builder writes it, when it holds at most `limit` characters
    // (the empty text when there is no run); a null string when it is longer.
    QString whole_text(std::int64_t limit) const;
    // Counts the rows and the characters of every piece's text without writing it; gives up when
    // `stop` is raised (indexed() stays false then).
    void build_index(const std::atomic<bool>& stop);

private:
    // Rows [first, end) of a run; `end` past the run's last row for its last piece.
    struct Piece {
        int run;
        int first;
        int end;
    };
    void cut_into_pieces();

    std::vector<LogGroup> runs;
    // LogHtml::key_widths of each run, measured once for all its pieces.
    std::vector<std::vector<int>> key_widths;
    std::uint64_t run_time = 0;
    QString filter;
    std::vector<Piece> pieces;
    std::vector<std::int64_t> rows_before_piece;
    std::vector<std::int64_t> lengths;
    std::atomic<bool> indexed_flag{false};
};
