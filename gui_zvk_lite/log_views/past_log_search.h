#pragma once
// The work of a past-logs search, for a BackgroundJob: it parses the log, picks the runs of the chosen
// days and then either renders them as one text (a short result, the usual case) or indexes them for
// a view that shows a few runs at a time (a long one).
#include "background_job.h"

#include <QString>

#include <cstdint>
#include <memory>

class LogReader;
class PastLogRuns;

class PastLogSearch {
public:
    // What the search hands to the window's thread: first whole_text or many_runs, and after
    // many_runs, indexed once the runs' index is built.
    struct Step {
        enum Kind {
            whole_text, // `text`: the text of every run (empty without a run); the search has ended
            many_runs,  // `runs`: too long for one text; they are being indexed
            indexed,    // the index of the runs of many_runs is there; the search has ended
        };
        Kind kind = whole_text;
        QString text;
        std::shared_ptr<PastLogRuns> runs;
    };
    using Job = BackgroundJob<Step>;

    // `opened`: a reader whose log is open.
    PastLogSearch(std::unique_ptr<LogReader> opened, std::int64_t from, std::int64_t to,
                  std::int64_t whole_text_limit);
    PastLogSearch(PastLogSearch&&) noexcept;
    ~PastLogSearch();

    // The search, on the job's thread. Whatever it read is freed there too.
    void operator()(Job::Output& output);
    // Hands `found` on, on the job's thread: as one text (whole_text) when it holds at most
    // `whole_text_limit` characters, otherwise as many_runs, and then indexed once they are indexed.
    static void deliver(std::shared_ptr<PastLogRuns> found, std::int64_t whole_text_limit,
                        Job::Output& output);

private:
    std::unique_ptr<LogReader> reader;
    std::int64_t from;
    std::int64_t to;
    std::int64_t whole_text_limit;
};
