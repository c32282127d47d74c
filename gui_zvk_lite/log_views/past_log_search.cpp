#include "past_log_search.h"

#include "log_reader.h"
#include "past_log_runs.h"

#include <QThread>

#include <algorithm>
#include <utility>

PastLogSearch::PastLogSearch(std::unique_ptr<LogReader> opened, std::int64_t from, std::int64_t to,
                             std::int64_t whole_text_limit, QObject* receiver, const char* slot)
    : state(std::make_shared<State>()) {
    state->reader = std::move(opened);
    // The window's thread keeps a core of its own for the layout of what it shows meanwhile.
    const int index_threads = std::max(1, QThread::idealThreadCount() - 1);
    job = std::make_unique<BackgroundJob>(
        [state = state, from, to, whole_text_limit, index_threads](BackgroundJob& job) {
            // Whatever this work holds goes with it, on its own thread.
            std::unique_ptr<LogReader> reader = std::move(state->reader);
            reader->set_stop_flag(&job.stop_requested());
            if (reader->parse() == LOG_PARSE_STOPPED)
                return;
            reader->set_stop_flag(nullptr);
            auto found = std::make_shared<PastLogRuns>(std::move(reader), from, to);
            const QString text = found->whole_text(whole_text_limit);
            if (!text.isNull()) {
                found.reset(); // the whole result is in the text: the parsed log goes here
                gather_freed_memory();
            }
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                if (!text.isNull()) {
                    state->outcome = whole_text;
                    state->text = text;
                } else {
                    state->outcome = many_runs;
                    state->runs = found;
                }
            }
            job.notify();
            if (!found)
                return;
            found->build_index(job.stop_requested(), index_threads);
            if (found->indexed())
                job.notify();
        },
        receiver, slot);
}

PastLogSearch::~PastLogSearch() = default;

PastLogSearch::Outcome PastLogSearch::outcome() const {
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->outcome;
}

QString PastLogSearch::text() const {
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->text;
}

std::shared_ptr<PastLogRuns> PastLogSearch::runs() const {
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->runs;
}

void PastLogSearch::give_up(GivenUpJobs& given_up) {
    given_up.add(std::move(job));
    given_up.dispose(std::move(state));
}
