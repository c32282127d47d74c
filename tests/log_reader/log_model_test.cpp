// The model's own rules: which runs the log views get, and the keyed maps' order and stability.
#include "log_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

LogModel& model_with_keys(LogModel& model, const std::vector<std::int64_t>& keys) {
    for (std::int64_t key : keys)
        model.groups()[key].group = key;
    return model;
}

// Every run next_group yields until the first null, then two more calls that must stay null.
std::vector<std::int64_t> walk(LogModel& model, std::int64_t from, std::int64_t to) {
    model.set_interval(from, to);
    std::vector<std::int64_t> keys;
    while (const LogGroup* group = model.next_group())
        keys.push_back(group->group);
    EXPECT_EQ(model.next_group(), nullptr);
    EXPECT_EQ(model.next_group(), nullptr);
    return keys;
}

struct IntervalCase {
    const char* what;
    std::int64_t from, to;
    std::vector<std::int64_t> expected;
};

TEST(LogModel, IntervalYieldsRunsOldestFirstWithBothBoundsIncluded) {
    const std::vector<IntervalCase> cases = {
        {"everything", INT64_MIN, INT64_MAX, {-5, 10, 20, 30}},
        {"bounds equal to keys", 10, 30, {10, 20, 30}},
        {"one second short of both ends", 11, 29, {20}},
        {"a key one second beyond to", 10, 19, {10}},
        {"negative keys compare signed", -5, -5, {-5}},
        {"from above every key", 31, 100, {}},
        {"from greater than to", 20, 10, {}},
        {"between two keys", 11, 19, {}},
    };
    LogModel model;
    model_with_keys(model, {30, -5, 20, 10});
    for (const auto& c : cases)
        EXPECT_EQ(walk(model, c.from, c.to), c.expected) << c.what;
}

TEST(LogModel, EmptyModelYieldsNothing) {
    LogModel model;
    EXPECT_EQ(model.last_group(), nullptr);
    EXPECT_EQ(model.next_group(), nullptr) << "before any interval";
    EXPECT_TRUE(walk(model, INT64_MIN, INT64_MAX).empty());
}

TEST(LogModel, LastGroupIsTheHighestKey) {
    LogModel model;
    model_with_keys(model, {-7, 1796811300, 5});
    ASSERT_NE(model.last_group(), nullptr);
    EXPECT_EQ(model.last_group()->group, 1796811300);
    EXPECT_EQ(model.last_group(), &model.groups().at(1796811300)) << "a pointer into the model, not a copy";
}

TEST(LogModel, KeyedMapsCreateOnDemandAndKeepFirstArrivalOrder) {
    LogSubsystem subsystem;
    for (const char* uid : {"7", "2", "10", "2"})
        subsystem.devices[uid];
    std::vector<std::string> order;
    for (const auto& entry : subsystem.devices)
        order.push_back(entry.first);
    EXPECT_EQ(order, (std::vector<std::string>{"7", "2", "10"}));
    EXPECT_TRUE(subsystem.devices.contains("10"));
    EXPECT_EQ(subsystem.devices.find("3"), nullptr) << "find creates nothing";
    EXPECT_EQ(subsystem.devices.size(), 3u);
}

TEST(LogModel, ReplacingARecordKeepsItsPlaceAndReferencesStayValid) {
    LogSubsystem subsystem;
    LogDevice& first = subsystem.devices["0"];
    first.display_name = "Disk 0";
    first.properties.push_back({"MODEL", "ABC"});
    for (int i = 1; i < 1000; ++i)
        subsystem.devices[std::to_string(i)].display_name = "other";
    EXPECT_EQ(&first, &subsystem.devices["0"]) << "later insertions must not move earlier records";

    subsystem.devices["0"] = LogDevice();
    EXPECT_EQ(subsystem.devices.begin()->first, "0");
    EXPECT_TRUE(subsystem.devices.begin()->second.display_name.empty());
    EXPECT_TRUE(subsystem.devices.begin()->second.properties.empty());

    // Copies are independent at both sizes of map: hashed (1000 devices) and searched in order.
    LogSubsystem copy = subsystem;
    copy.devices["1"].display_name = "changed";
    EXPECT_EQ(subsystem.devices["1"].display_name, "other") << "records copy by value";
    EXPECT_EQ(copy.devices.find("999")->display_name, "other");
    LogDevice small;
    small.resources["A"][3].push_back({"SIZE", "1"});
    LogDevice other;
    other = small;
    other.resources["A"][3].clear();
    other.resources["B"];
    EXPECT_EQ(small.resources.find("A")->find(3)->size(), 1u);
    EXPECT_FALSE(small.resources.contains("B"));
}

} // namespace
