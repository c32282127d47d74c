#pragma once
// The test log as a tree of plain records: one LogGroup per test run (keyed by the run's start time),
// in it one LogSubsystem per module section, in that one LogDevice per tested device with its
// properties, resources, tests and messages. Strings are the log's bytes as they stand; times are
// seconds since 1970 UTC.
#include "insertion_ordered_map.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Name and value of one property line ("NAME: value").
using LogProperty = std::pair<std::string, std::string>;

struct LogMessage {
    std::int64_t time = 0;
    std::string tag;   // MESSAGE, WARNING, ERROR or CRITICAL
    std::string token; // rendered as a log code
    std::vector<std::string> params;
};

struct LogTest {
    std::string name;
    std::int64_t start = 0;
    std::int64_t stop = 0;  // 0 while no matching stop record came
    double time_spent = 0.0;
    std::string result;     // SUCCESS, FAILURE, ABORTED, ...
    std::vector<LogMessage> messages;
};

// Per instance index, the property lines of one resource instance.
using LogResourceInstances = InsertionOrderedMap<std::uint64_t, std::vector<LogProperty>>;

struct LogDevice {
    std::string display_name;
    std::vector<LogProperty> properties;
    InsertionOrderedMap<std::string, LogResourceInstances> resources;
    std::vector<LogTest> tests;
    std::string unique_code; // the device's result code
    std::vector<LogMessage> messages; // logged between tests
};

struct LogSubsystem {
    std::string name;
    InsertionOrderedMap<std::string, LogDevice> devices; // by device UID
    bool broken = false; // the section was not closed properly; never cleared
};

struct LogGroup {
    InsertionOrderedMap<std::string, LogSubsystem> subsystems; // by subsystem name
    std::int64_t group = 0; // the run's start time, equal to its key
};

// The runs of one log, oldest first, and the two ways the log views pick from them: the newest run,
// or the runs whose keys lie in an interval.
class LogModel {
public:
    using Groups = std::map<std::int64_t, LogGroup>;

    LogModel() = default;
    // The cursor points into this object's own map.
    LogModel(const LogModel&) = delete;
    LogModel& operator=(const LogModel&) = delete;

    // The run with the highest key, or null when there is none.
    const LogGroup* last_group() const;

    // Both bounds inclusive. Places the cursor on the first run whose key is at least `from`.
    void set_interval(std::int64_t from, std::int64_t to);

    // The run under the cursor while its key is at most `to`, moving the cursor on; null after the
    // last run of the interval (and before any set_interval).
    const LogGroup* next_group();

    Groups& groups() { return groups_; }
    const Groups& groups() const { return groups_; }

private:
    Groups groups_;
    std::int64_t interval_from_ = 0;
    std::int64_t interval_to_ = 0;
    Groups::const_iterator cursor_;
    bool has_cursor_ = false;
};
