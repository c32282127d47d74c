#pragma once
// A past-logs search on threads of its own: it parses the log, picks the runs of the chosen days and
// then either renders them as one text (a short result, the usual case) or indexes them for a view
// that shows a few runs at a time (a long one). The window's thread is told through a slot.
#include "background_job.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

class LogReader;
class PastLogRuns;
class QObject;

class PastLogSearch {
public:
    enum Outcome {
        reading,    // nothing to show yet
        whole_text, // the text of every run (empty without a run); the search has ended
        many_runs,  // too long for one text: the runs, indexed in the background
    };

    // `opened`: a reader whose log is open. Calls `slot` of `receiver` when the outcome is known and
    // again when a long result is indexed.
    PastLogSearch(std::unique_ptr<LogReader> opened, std::int64_t from, std::int64_t to,
                  std::int64_t whole_text_limit, QObject* receiver, const char* slot);
    ~PastLogSearch();

    Outcome outcome() const;
    QString text() const;
    std::shared_ptr<PastLogRuns> runs() const;

    // Stops the work and hands it, and what this object holds of its results, to `given_up`: nothing
    // of the search is waited for or freed on the calling thread. Nothing more comes afterwards.
    void give_up(GivenUpJobs& given_up);

private:
    struct State {
        std::unique_ptr<LogReader> reader; // until the work takes it
        std::mutex mutex;
        Outcome outcome = reading;
        QString text;
        std::shared_ptr<PastLogRuns> runs;
    };

    std::shared_ptr<State> state;
    std::unique_ptr<BackgroundJob> job;
};
