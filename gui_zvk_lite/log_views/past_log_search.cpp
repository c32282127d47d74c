#include "past_log_search.h"

#include "log_reader.h"
#include "past_log_runs.h"

#include <utility>

PastLogSearch::PastLogSearch(std::unique_ptr<LogReader> opened, std::int64_t from_, std::int64_t to_,
                             std::int64_t whole_text_limit_)
    : reader(std::move(opened)), from(from_), to(to_), whole_text_limit(whole_text_limit_) {}

PastLogSearch::PastLogSearch(PastLogSearch&&) noexcept = default;
PastLogSearch::~PastLogSearch() = default;

void PastLogSearch::operator()(Job::Output& output) {
    std::unique_ptr<LogReader> parsed = std::move(reader);
    parsed->set_stop_flag(&output.stop_flag());
    if (parsed->parse() == LOG_PARSE_STOPPED)
        return;
    parsed->set_stop_flag(nullptr);
    // Only the chosen days' runs are kept; the rest of the parsed log goes here, on this thread.
    auto found = std::make_shared<PastLogRuns>(std::move(parsed), from, to);
    gather_freed_memory();
    deliver(std::move(found), whole_text_limit, output);
}

void PastLogSearch::deliver(std::shared_ptr<PastLogRuns> found, std::int64_t whole_text_limit,
                            Job::Output& output) {
    Step step;
    step.text = found->whole_text(whole_text_limit);
    if (!step.text.isNull()) {
        found.reset(); // the whole result is in the text
        output.deliver(std::move(step));
        return;
    }
    step.kind = Step::many_runs;
    step.runs = found;
    output.deliver(std::move(step));
    found->build_index(output.stop_flag());
    if (found->indexed())
        output.deliver(Step{Step::indexed, QString(), nullptr});
}
