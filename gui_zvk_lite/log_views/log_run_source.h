#pragma once
// The runs that a log view shows a few at a time. Each run's HTML stands on its own: the runs' texts
// one after the other are the text of all of them. A "run" here is the unit the view renders at once:
// a source may cut a long run of the log into several (PastLogRuns does), so that none is large.
#include <QString>

#include <cstdint>

class LogRunSource {
public:
    virtual ~LogRunSource() = default;

    virtual int count() const = 0;
    // The HTML of run `i` as the text of all runs holds it, given how many rows the runs before it
    // wrote (only whether that number is odd matters: rows alternate their background); `rows` gets
    // the number of rows this run writes.
    virtual QString html(int i, std::int64_t rows_before, int* rows) const = 0;

    // Learnt in the background for every run at once. Until then only runs that follow a run already
    // rendered can be rendered.
    virtual bool indexed() const = 0;
    // Once indexed: the rows that the runs before run `i` write, and the length of its HTML.
    virtual std::int64_t rows_before(int i) const = 0;
    virtual std::int64_t length(int i) const = 0;
};
