// The log reader end to end: a log file on the test's own drive C:, parsed into the model, with the
// trace it writes to standard output.
#include "log_reader.h"
#include "process_state.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <atomic>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string stamp = "20261209T101502UTC"; // 1796811302

std::string log_folder() {
    return zvk_test::system_drive_folder() + "/zedra";
}

std::string log_path() {
    return log_folder() + "/zedra.log";
}

void write_log(const std::string& text) {
    ASSERT_TRUE(zvk_test::make_folders(log_folder()));
    ASSERT_TRUE(zvk_test::write_bytes(log_path(), text));
}

std::string join(const std::vector<std::string>& lines, const std::string& end = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

// Runs body with standard output going to a file; returns what was written (standard output is in
// text mode: on Windows its lines end in CR LF).
std::string capture_stdout(const std::function<void()>& body) {
    const std::string path = zvk_test::fresh_folder("stdout") + "/out.txt";
    std::fflush(stdout);
    const int saved = dup(1);
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(file, 1);
    close(file);
    body();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    return zvk_test::from_text_mode(zvk_test::read_bytes(path));
}

struct Parsed {
    std::unique_ptr<LogReader> reader = std::make_unique<LogReader>();
    int opened = -1;
    int parsed = -1;
    std::string trace;

    const LogGroup& group(std::int64_t key) const { return reader->groups().at(key); }
    const LogSubsystem& subsystem(std::int64_t key, const std::string& name) const {
        return *group(key).subsystems.find(name);
    }
    const LogDevice& device(std::int64_t key, const std::string& name, const std::string& uid) const {
        return *subsystem(key, name).devices.find(uid);
    }
};

Parsed parse_text(const std::string& text) {
    write_log(text);
    Parsed result;
    result.trace = capture_stdout([&] {
        result.opened = result.reader->open();
        result.parsed = result.reader->parse();
    });
    return result;
}

const std::vector<std::string> example = {
    "+++ 20261209T101502UTC STORAGE 1796811300",
    "UID: 0",
    "DISPLAYNAME: Disk 0",
    "MODEL: ABC 123",
    ">>> RESOURCE PARTITION",
    "INDEX: 0",
    "SIZE: 100 GB",
    "<<< RESOURCE",
    "START TESTS",
    "20261209T101505UTC START SURFACE_SCAN",
    "20261209T101520UTC ERROR BAD_SECTOR_FOUND 12 3",
    "20261209T101521UTC STOP SURFACE_SCAN FAILURE 16",
    "STOP TESTS 0-1-0",
    "--- STORAGE",
};

void expect_example_model(const Parsed& p) {
    ASSERT_EQ(p.reader->groups().size(), 1u);
    const LogGroup& group = p.group(1796811300);
    EXPECT_EQ(group.group, 1796811300);
    ASSERT_EQ(group.subsystems.size(), 1u);
    const LogSubsystem& storage = p.subsystem(1796811300, "STORAGE");
    EXPECT_EQ(storage.name, "STORAGE");
    EXPECT_FALSE(storage.broken);
    ASSERT_EQ(storage.devices.size(), 1u);
    const LogDevice& disk = p.device(1796811300, "STORAGE", "0");
    EXPECT_EQ(disk.display_name, "Disk 0");
    EXPECT_EQ(disk.properties, (std::vector<LogProperty>{{"MODEL", "ABC 123"}}));
    ASSERT_EQ(disk.resources.size(), 1u);
    const LogResourceInstances* partition = disk.resources.find("PARTITION");
    ASSERT_NE(partition, nullptr);
    ASSERT_EQ(partition->size(), 1u);
    EXPECT_EQ(*partition->find(0), (std::vector<LogProperty>{{"SIZE", "100 GB"}}));
    EXPECT_EQ(disk.unique_code, "0-1-0");
    EXPECT_TRUE(disk.messages.empty());
    ASSERT_EQ(disk.tests.size(), 1u);
    const LogTest& scan = disk.tests[0];
    EXPECT_EQ(scan.name, "SURFACE_SCAN");
    EXPECT_EQ(scan.start, 1796811305);
    EXPECT_EQ(scan.stop, 1796811321);
    EXPECT_EQ(scan.result, "FAILURE");
    EXPECT_EQ(scan.time_spent, 16.0);
    ASSERT_EQ(scan.messages.size(), 1u);
    const LogMessage& bad = scan.messages[0];
    EXPECT_EQ(bad.time, 1796811320);
    EXPECT_EQ(bad.tag, "ERROR");
    EXPECT_EQ(bad.token, "BAD_SECTOR_FOUND");
    EXPECT_EQ(bad.params, (std::vector<std::string>{"12", "3"}));
}

TEST(LogReader, WorkedExampleFillsEveryFieldAndTracesEachLine) {
    const Parsed p = parse_text(join(example));
    EXPECT_EQ(p.opened, 0);
    EXPECT_EQ(p.parsed, 0);
    expect_example_model(p);
    EXPECT_EQ(p.trace,
              "     1  41: +++ 20261209T101502UTC STORAGE 1796811300\n"
              "\t\tFound +++ Date: 20261209T101502UTC(1796811302) Name: STORAGE Group: 1796811300\n"
              "     2   6: UID: 0\n"
              "\t\tProperty: UID Value: 0\n"
              "     3  19: DISPLAYNAME: Disk 0\n"
              "\t\tProperty: DISPLAYNAME Value: Disk 0\n"
              "     4  14: MODEL: ABC 123\n"
              "\t\tProperty: MODEL Value: ABC 123\n"
              "     5  22: >>> RESOURCE PARTITION\n"
              "\t\tFound >>> RESOURCE Value: PARTITION\n"
              "     6   8: INDEX: 0\n"
              "\t\tProperty: INDEX Value: 0\n"
              "     7  12: SIZE: 100 GB\n"
              "\t\tProperty: SIZE Value: 100 GB\n"
              "     8  12: <<< RESOURCE\n"
              "\t\tFound <<<  RESOURCE\n"
              "     9  11: START TESTS\n"
              "\t\tFound START TESTS\n"
              "    10  37: 20261209T101505UTC START SURFACE_SCAN\n"
              "\t\tFound 20261209T101505UTC. Value: 1796811305 Tag: START Test: SURFACE_SCAN\n"
              "    11  46: 20261209T101520UTC ERROR BAD_SECTOR_FOUND 12 3\n"
              "\t\tFound 20261209T101520UTC. Value: 1796811320 Tag: ERROR Token: BAD_SECTOR_FOUND"
              " Parameter: 12 Parameter: 3\n"
              "    12  47: 20261209T101521UTC STOP SURFACE_SCAN FAILURE 16\n"
              "\t\tFound 20261209T101521UTC. Value: 1796811321 Tag: STOP Test: SURFACE_SCAN Result: FAILURE"
              " Time spent: 16\n"
              "    13  16: STOP TESTS 0-1-0\n"
              "\t\tFound STOP TESTS. Unique code: 0-1-0\n"
              "    14  11: --- STORAGE\n"
              "\t\tFound --- Subsystem: STORAGE\n"
              "    15   0: \n");
}

TEST(LogReader, WindowsLineEndsAndAMissingLastLineEndReadTheSame) {
    const Parsed crlf = parse_text(join(example, "\r\n"));
    expect_example_model(crlf);
    EXPECT_NE(crlf.trace.find("     3  19: DISPLAYNAME: Disk 0\n"), std::string::npos) << "lengths without the CR";

    std::string text = join(example);
    text.pop_back();
    const Parsed open_end = parse_text(text);
    expect_example_model(open_end);
    const std::string last = "    14  11: --- STORAGE\n\t\tFound --- Subsystem: STORAGE\n";
    EXPECT_EQ(open_end.trace.substr(open_end.trace.size() - last.size()), last) << "no empty line after it";
}

TEST(LogReader, EmptyFileGivesEmptyModelAndOneTracedLine) {
    const Parsed p = parse_text("");
    EXPECT_EQ(p.opened, 0);
    EXPECT_EQ(p.parsed, 0);
    EXPECT_TRUE(p.reader->groups().empty());
    EXPECT_EQ(p.trace, "     1   0: \n");
}

TEST(LogReader, MissingFileIsNotOpenAndItsFolderIsCreated) {
    std::error_code error;
    std::filesystem::remove_all(log_folder(), error);
    ASSERT_FALSE(error) << error.message();
    std::filesystem::create_directories(zvk_test::system_drive_folder(), error); // Windows: it exists
    LogReader reader;
    std::string trace = capture_stdout([&] {
        EXPECT_EQ(reader.open(), LOG_FILE_NOT_OPEN);
        EXPECT_EQ(reader.parse(), LOG_FILE_NOT_OPEN);
    });
    EXPECT_TRUE(std::filesystem::is_directory(log_folder()));
    EXPECT_TRUE(reader.groups().empty());
    EXPECT_EQ(trace, "");
    EXPECT_EQ(reader.set_file_name("other.log"), 0);
    EXPECT_EQ(reader.open_file("other.log"), LOG_FILE_NOT_OPEN);
}

// A folder where the log should be cannot be opened as the log, on Windows and on the stand-in alike,
// and the reader says so instead of reading it as a log without runs.
TEST(LogReader, FolderInTheLogsPlaceIsNotOpen) {
    std::error_code error;
    std::filesystem::remove_all(log_folder(), error);
    ASSERT_FALSE(error) << error.message();
    struct Removed {
        ~Removed() {
            std::error_code ignored;
            std::filesystem::remove_all(log_folder(), ignored); // the later tests write the log there
        }
    } removed;
    ASSERT_TRUE(std::filesystem::create_directories(log_path(), error)) << error.message();
    ASSERT_TRUE(zvk_test::write_bytes(log_path() + "/zedra.log", join(example)));
    LogReader reader;
    std::string trace = capture_stdout([&] {
        EXPECT_EQ(reader.open(), LOG_FILE_NOT_OPEN);
        EXPECT_EQ(reader.parse(), LOG_FILE_NOT_OPEN);
    });
    EXPECT_TRUE(reader.groups().empty());
    EXPECT_EQ(trace, "");
    EXPECT_TRUE(std::filesystem::is_directory(log_path())) << "the folder stays";
}

TEST(LogReader, FileNamesCannotChangeWhileOpenAndParseRunsOnce) {
    write_log(join(example));
    LogReader reader;
    capture_stdout([&] {
        ASSERT_EQ(reader.open(), 0);
        EXPECT_EQ(reader.set_file_name("x.log"), LOG_FILE_ALREADY_OPEN);
        EXPECT_EQ(reader.open_file("x.log"), LOG_FILE_ALREADY_OPEN);
        EXPECT_EQ(reader.parse(), 0);
        EXPECT_EQ(reader.parse(), LOG_FILE_NOT_OPEN) << "the file is closed after parsing";
        EXPECT_EQ(reader.set_file_name("x.log"), 0);
    });
    EXPECT_EQ(reader.groups().size(), 1u);
}

// A search given up ends its parse at once: the stop flag is looked at before every line.
TEST(LogReader, RaisedStopFlagEndsTheParse) {
    write_log(join(example));
    for (bool raised : {true, false}) {
        SCOPED_TRACE(raised);
        std::atomic<bool> stop{raised};
        LogReader reader;
        reader.set_stop_flag(&stop);
        capture_stdout([&] {
            ASSERT_EQ(reader.open(), 0);
            EXPECT_EQ(reader.parse(), raised ? LOG_PARSE_STOPPED : 0);
            EXPECT_EQ(reader.parse(), LOG_FILE_NOT_OPEN) << "closed either way";
        });
        EXPECT_EQ(reader.groups().size(), raised ? 0u : 1u);
    }
}

#ifdef __GLIBC__
// Standard output, while body runs, is a stream that hands each write on at once (unbuffered): the
// text so far goes to `written` the moment the parser traces it. Returns all of it.
std::string watch_stdout(const std::function<void(const std::string&)>& written,
                         const std::function<void()>& body) {
    struct Watch {
        std::string text;
        const std::function<void(const std::string&)>& written;
    } watch{{}, written};
    cookie_io_functions_t io{};
    io.write = [](void* cookie, const char* data, std::size_t size) -> ssize_t {
        Watch& w = *static_cast<Watch*>(cookie);
        w.text.append(data, size);
        w.written(w.text);
        return ssize_t(size);
    };
    FILE* stream = fopencookie(&watch, "w", io);
    EXPECT_NE(stream, nullptr);
    if (!stream)
        return {};
    std::setvbuf(stream, nullptr, _IONBF, 0);
    std::fflush(stdout);
    FILE* const saved = stdout;
    stdout = stream; // glibc's standard streams are plain variables, documented as assignable
    body();
    std::fflush(stdout);
    stdout = saved;
    std::fclose(stream);
    return watch.text;
}
#endif

// A search given up while its parse runs: the parse ends after the line under way, keeps what the
// lines before it gave, and reads no further line. The flag goes up while the parser handles line 15,
// whose too short stamp makes the stamp parser write its message to standard output at once.
TEST(LogReader, StopFlagRaisedDuringTheParseEndsItAfterTheLineUnderWay) {
#ifndef __GLIBC__
    GTEST_SKIP() << "watching standard output as it is written needs glibc's fopencookie";
#else
    std::vector<std::string> lines = example;
    lines.push_back("2026 MESSAGE RAISE"); // line 15
    for (int run = 1; run <= 50; ++run) {
        lines.push_back("+++ " + stamp + " STORAGE " + std::to_string(1796811300 + run * 3600));
        lines.insert(lines.end(), example.begin() + 1, example.end());
    }
    write_log(join(lines));
    std::atomic<bool> stop{false};
    int raised_at_line = 0;
    Parsed p;
    p.reader->set_stop_flag(&stop);
    const std::string trace = watch_stdout(
        [&](const std::string& text) {
            if (!stop &&
                text.find("String too short (4 characters) - Cannot parse 2026\n") != std::string::npos) {
                stop = true;
                raised_at_line =
                    text.find("\n    15  18: 2026 MESSAGE RAISE\n") != std::string::npos ? 15 : -1;
            }
        },
        [&] {
            ASSERT_EQ(p.reader->open(), 0);
            p.parsed = p.reader->parse();
        });
    ASSERT_EQ(raised_at_line, 15) << trace;
    EXPECT_EQ(p.parsed, LOG_PARSE_STOPPED);
    EXPECT_EQ(p.reader->parse(), LOG_FILE_NOT_OPEN) << "the file is closed";
    // The run before is whole; none of the fifty after it was read.
    expect_example_model(p);
    const std::string last = "    15  18: 2026 MESSAGE RAISE\n"
                             "ParseRfc8601Time: String too short (4 characters) - Cannot parse 2026\n";
    ASSERT_GE(trace.size(), last.size());
    EXPECT_EQ(trace.substr(trace.size() - last.size()), last) << "no line after it was read";
#endif
}

TEST(LogReader, ReadsWhatAModuleAppendedAfterTheFileWasOpened) {
    write_log(join({example.begin(), example.begin() + 4}));
    LogReader reader;
    capture_stdout([&] {
        ASSERT_EQ(reader.open(), 0);
        // A module appends while the file is open: the reader holds no lock against it.
        std::ofstream file(log_path(), std::ios::binary | std::ios::app);
        ASSERT_TRUE(file.is_open());
        file << join({example.begin() + 4, example.end()});
        file << "STOP TESTS 7-7"; // a line still being written
        file.close();
        EXPECT_EQ(reader.parse(), 0);
    });
    const LogDevice& disk = *reader.groups().at(1796811300).subsystems.find("STORAGE")->devices.find("0");
    EXPECT_EQ(disk.tests.size(), 1u);
    EXPECT_EQ(disk.unique_code, "7-7") << "the partial last line is parsed like any other";
}

// A section start and device for the cases below.
std::vector<std::string> with_device(const std::vector<std::string>& more) {
    std::vector<std::string> lines = {"+++ " + stamp + " STORAGE 100", "UID: 0", "DISPLAYNAME: Disk"};
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::function<void(const Parsed&)> check;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(LogReader, SectionStartLines) {
    const std::vector<Case> cases = {
        {"stamp only", {"+++ " + stamp},
         [](const Parsed& p) {
             EXPECT_TRUE(p.reader->groups().empty());
             EXPECT_TRUE(contains(p.trace, "\t\tFound +++ Date: " + stamp + "(1796811302)\tNo subsystem\n"));
         }},
        {"stamp and name", {"+++ " + stamp + " STORAGE"},
         [](const Parsed& p) {
             EXPECT_TRUE(p.reader->groups().empty());
             EXPECT_TRUE(contains(p.trace, " Name: STORAGE\tNo group\n"));
         }},
        {"key not a number", {"+++ " + stamp + " STORAGE abc"},
         [](const Parsed& p) {
             EXPECT_TRUE(p.reader->groups().empty());
             EXPECT_TRUE(contains(p.trace, " Name: STORAGE\tMalformed group\n"));
         }},
        {"key with text after its number", {"+++ " + stamp + " STORAGE 123abc extra"},
         [](const Parsed& p) {
             ASSERT_EQ(p.reader->groups().count(123), 1u);
             EXPECT_EQ(p.group(123).group, 123);
             EXPECT_EQ(p.subsystem(123, "STORAGE").name, "STORAGE");
             EXPECT_TRUE(contains(p.trace, " Group: 123\n"));
         }},
        {"negative key", {"+++   " + stamp + "   STORAGE   -5"},
         [](const Parsed& p) { EXPECT_EQ(p.group(-5).group, -5) << "blanks between fields are skipped"; }},
        {"stamp too short, its parser's message stays in order", {"+++ 2026129T101502UTC STORAGE 1"},
         [](const Parsed& p) {
             EXPECT_TRUE(p.reader->groups().empty());
             EXPECT_TRUE(contains(p.trace, "+++ 2026129T101502UTC STORAGE 1\n\t\tFound +++ParseRfc8601Time: String too "
                                           "short (17 characters) - Cannot parse 2026129T101502UTC\n"));
         }},
        {"stamp with a bad digit", {"+++ 2026-12-09T10:15:02Z STORAGE 1"},
         [](const Parsed& p) { EXPECT_TRUE(p.reader->groups().empty()) << "and no property either"; }},
        {"marker without its blank", {"+++" + stamp + " STORAGE 1"},
         [](const Parsed& p) { EXPECT_TRUE(p.reader->groups().empty()); }},
        {"same subsystem twice under one key keeps its devices",
         {"+++ " + stamp + " STORAGE 100", "UID: 0", "--- STORAGE", "+++ " + stamp + " STORAGE 100", "UID: 1",
          "--- STORAGE", "+++ " + stamp + " STORAGE 200", "UID: 2", "--- STORAGE"},
         [](const Parsed& p) {
             ASSERT_EQ(p.reader->groups().size(), 2u) << "another key is another run";
             const LogSubsystem& s = p.subsystem(100, "STORAGE");
             EXPECT_EQ(s.devices.size(), 2u);
             EXPECT_FALSE(s.broken);
             EXPECT_EQ(p.subsystem(200, "STORAGE").devices.size(), 1u);
         }},
        {"section start while a test is open, new line rejected",
         with_device({"START TESTS", stamp + " START T", "+++ " + stamp, stamp + " STOP T SUCCESS 1"}),
         [](const Parsed& p) {
             EXPECT_TRUE(p.subsystem(100, "STORAGE").broken);
             EXPECT_EQ(p.device(100, "STORAGE", "0").tests[0].result, "SUCCESS") << "the rejected line changed nothing else";
         }},
        {"section start without a section end",
         with_device({"+++ " + stamp + " MEMORY 100", "UID: 0", "--- MEMORY"}),
         [](const Parsed& p) {
             EXPECT_TRUE(p.subsystem(100, "STORAGE").broken);
             EXPECT_FALSE(p.subsystem(100, "MEMORY").broken);
             EXPECT_EQ(p.group(100).subsystems.begin()->first, "STORAGE") << "kept in order of arrival";
         }},
        {"section end naming another subsystem",
         with_device({"--- MEMORY", "+++ " + stamp + " MEMORY 100", "--- "}),
         [](const Parsed& p) {
             EXPECT_FALSE(p.subsystem(100, "STORAGE").broken);
             EXPECT_TRUE(contains(p.trace, "\t\tFound --- Subsystem: MEMORY Subsystem is different! Log file is broken! \n"));
             EXPECT_TRUE(contains(p.trace, "\t\tFound --- Subsystem:  Subsystem is different!"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.check(parse_text(join(c.lines)));
    }
}

TEST(LogReader, PropertyAndResourceLines) {
    const std::vector<Case> cases = {
        {"values are trimmed, names are not, later colons stay",
         with_device({"NOTE: a: b", "MODEL :  x  y  ", "EMPTY:", "BLANK:    ", "UID: 9"}),
         [](const Parsed& p) {
             EXPECT_EQ(p.device(100, "STORAGE", "0").properties,
                       (std::vector<LogProperty>{{"NOTE", "a: b"}, {"MODEL ", "x  y"}, {"UID", "9"}}));
             EXPECT_TRUE(contains(p.trace, "\t\tProperty: EMPTY\t\tVoid value\n"));
             EXPECT_TRUE(contains(p.trace, "\t\tProperty: BLANK\t\tVoid value\n"));
         }},
        {"a repeated UID empties the device",
         with_device({"MODEL: x", "START TESTS", stamp + " START T", "STOP TESTS 1-1", "UID: 0"}),
         [](const Parsed& p) {
             const LogDevice& d = p.device(100, "STORAGE", "0");
             EXPECT_TRUE(d.display_name.empty());
             EXPECT_TRUE(d.properties.empty());
             EXPECT_TRUE(d.tests.empty());
             EXPECT_TRUE(d.unique_code.empty());
         }},
        {"properties of a section without UID are ignored",
         {"+++ " + stamp + " STORAGE 100", "MODEL: x"},
         [](const Parsed& p) { EXPECT_TRUE(p.subsystem(100, "STORAGE").devices.empty()); }},
        {"a bad INDEX leaves the resource waiting for a good one",
         with_device({">>> RESOURCE LOGICAL DRIVE", "SIZE: lost", "INDEX: x", "SIZE: lost too", "INDEX: 2",
                      "SIZE: 3", "INDEX: 5", "<<< RESOURCE", "MODEL: m"}),
         [](const Parsed& p) {
             const LogDevice& d = p.device(100, "STORAGE", "0");
             const LogResourceInstances* drive = d.resources.find("LOGICAL DRIVE");
             ASSERT_NE(drive, nullptr) << "the resource name keeps its blanks";
             ASSERT_EQ(drive->size(), 1u);
             EXPECT_EQ(*drive->find(2), (std::vector<LogProperty>{{"SIZE", "3"}, {"INDEX", "5"}}));
             EXPECT_EQ(d.properties, (std::vector<LogProperty>{{"MODEL", "m"}})) << "back in the device";
         }},
        {"a repeated INDEX empties its instance",
         with_device({">>> RESOURCE R", "INDEX: 1", "A: 1", "<<< RESOURCE", ">>> RESOURCE R", "INDEX: 1", "B: 2",
                      "INDEX: 0"}),
         [](const Parsed& p) {
             const LogResourceInstances& r = *p.device(100, "STORAGE", "0").resources.find("R");
             EXPECT_EQ(r.size(), 1u);
             EXPECT_EQ(*r.find(1), (std::vector<LogProperty>{{"B", "2"}, {"INDEX", "0"}}));
         }},
        {"resource end outside a resource changes nothing",
         with_device({"START TESTS", "<<< RESOURCE", stamp + " MESSAGE STILL_IN_TESTS"}),
         [](const Parsed& p) { EXPECT_EQ(p.device(100, "STORAGE", "0").messages.size(), 1u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.check(parse_text(join(c.lines)));
    }
}

TEST(LogReader, TestsAndRecords) {
    const std::vector<Case> cases = {
        {"START TESTS with a trailing blank is no tests start",
         with_device({"START TESTS ", stamp + " MESSAGE LOST"}),
         [](const Parsed& p) {
             EXPECT_TRUE(p.device(100, "STORAGE", "0").messages.empty());
             EXPECT_FALSE(contains(p.trace, "Found START TESTS"));
         }},
        {"messages between tests belong to the device",
         with_device({"START TESTS", stamp + " WARNING HOT 70 C", stamp + " START A", stamp + " STOP A SUCCESS 1",
                      stamp + " CRITICAL FAN", stamp + " START B", stamp + " MESSAGE IN_B"}),
         [](const Parsed& p) {
             const LogDevice& d = p.device(100, "STORAGE", "0");
             ASSERT_EQ(d.messages.size(), 2u);
             EXPECT_EQ(d.messages[0].tag, "WARNING");
             EXPECT_EQ(d.messages[0].params, (std::vector<std::string>{"70", "C"}));
             EXPECT_EQ(d.messages[1].token, "FAN");
             EXPECT_TRUE(d.messages[1].params.empty());
             ASSERT_EQ(d.tests.size(), 2u);
             EXPECT_EQ(d.tests[1].messages.size(), 1u);
             EXPECT_EQ(d.tests[1].stop, 0) << "never stopped";
         }},
        {"a test keeps its messages when the next test, section or the end of the log follows",
         with_device({"START TESTS", stamp + " START A", stamp + " MESSAGE A1", stamp + " WARNING A2 x y",
                      stamp + " START B", stamp + " MESSAGE B1", "+++ " + stamp + " MEMORY 100", "UID: M",
                      "START TESTS", stamp + " START C", stamp + " ERROR C1", "+++ " + stamp + " STORAGE 200",
                      stamp + " MESSAGE NOWHERE", "UID: 1", "START TESTS", stamp + " START D",
                      stamp + " MESSAGE D1"}),
         [](const Parsed& p) {
             const LogDevice& d = p.device(100, "STORAGE", "0");
             ASSERT_EQ(d.tests.size(), 2u);
             ASSERT_EQ(d.tests[0].messages.size(), 2u);
             EXPECT_EQ(d.tests[0].messages[0].token, "A1");
             EXPECT_EQ(d.tests[0].messages[1].tag, "WARNING");
             EXPECT_EQ(d.tests[0].messages[1].params, (std::vector<std::string>{"x", "y"}));
             ASSERT_EQ(d.tests[1].messages.size(), 1u);
             EXPECT_EQ(d.tests[1].messages[0].token, "B1");
             const LogDevice& m = p.device(100, "MEMORY", "M");
             ASSERT_EQ(m.tests.size(), 1u);
             ASSERT_EQ(m.tests[0].messages.size(), 1u);
             EXPECT_EQ(m.tests[0].messages[0].token, "C1");
             const LogDevice& last = p.device(200, "STORAGE", "1");
             EXPECT_TRUE(last.messages.empty());
             ASSERT_EQ(last.tests.size(), 1u);
             ASSERT_EQ(last.tests[0].messages.size(), 1u) << "stored when the log ends";
             EXPECT_EQ(last.tests[0].messages[0].token, "D1");
         }},
        {"a record holding a colon is a property line",
         with_device({"START TESTS", stamp + " MESSAGE STARTED_AT 10:30"}),
         [](const Parsed& p) {
             EXPECT_TRUE(p.device(100, "STORAGE", "0").messages.empty());
             EXPECT_TRUE(contains(p.trace, "\t\tProperty: " + stamp + " MESSAGE STARTED_AT 10 Value: 30\n"));
         }},
        {"STOP before START and STOP twice are ignored",
         with_device({"START TESTS", stamp + " STOP A SUCCESS 1", "20261209T101510UTC START A",
                      "20261209T101520UTC STOP A SUCCESS 10", "20261209T101530UTC STOP A FAILURE 20"}),
         [](const Parsed& p) {
             const LogDevice& d = p.device(100, "STORAGE", "0");
             ASSERT_EQ(d.tests.size(), 1u);
             EXPECT_EQ(d.tests[0].stop, 1796811320);
             EXPECT_EQ(d.tests[0].result, "SUCCESS");
             EXPECT_EQ(d.tests[0].time_spent, 10.0);
             EXPECT_FALSE(p.subsystem(100, "STORAGE").broken);
         }},
        {"a stop naming another test breaks the subsystem",
         with_device({"START TESTS", stamp + " START A", stamp + " STOP B SUCCESS 1", stamp + " MESSAGE AFTER"}),
         [](const Parsed& p) {
             const LogDevice& d = p.device(100, "STORAGE", "0");
             EXPECT_TRUE(p.subsystem(100, "STORAGE").broken);
             EXPECT_EQ(d.tests[0].stop, 0);
             EXPECT_TRUE(d.tests[0].result.empty());
             EXPECT_EQ(d.messages.size(), 1u) << "back between tests";
             EXPECT_TRUE(contains(p.trace, " Test: B Closing a test that's not the same as the started (A, B)\n"));
         }},
        {"a time spent that does not read keeps the test open",
         with_device({"START TESTS", stamp + " START A", "20261209T101503UTC STOP A ABORTED x2",
                      stamp + " MESSAGE STILL_A", stamp + " STOP A SUCCESS 16.5s"}),
         [](const Parsed& p) {
             const LogTest& a = p.device(100, "STORAGE", "0").tests[0];
             EXPECT_EQ(a.messages.size(), 1u);
             EXPECT_EQ(a.result, "SUCCESS");
             EXPECT_EQ(a.time_spent, 16.5) << "text after the number is accepted";
             EXPECT_EQ(a.stop, 1796811302);
         }},
        {"a time spent missing or unreadable: stop and result stay set",
         with_device({"START TESTS", stamp + " START A", stamp + " STOP A FAILURE", stamp + " START B",
                      stamp + " STOP B ABORTED x"}),
         [](const Parsed& p) {
             const LogDevice& d = p.device(100, "STORAGE", "0");
             EXPECT_EQ(d.tests[0].result, "FAILURE");
             EXPECT_EQ(d.tests[0].stop, 1796811302);
             EXPECT_EQ(d.tests[1].result, "ABORTED");
             EXPECT_EQ(d.tests[1].time_spent, 0.0);
             EXPECT_TRUE(contains(p.trace, " Result: ABORTED Time spent: x Can't convert time spent.\n"));
         }},
        {"unknown tags and broken records change nothing",
         with_device({"START TESTS", stamp + " INFO X", stamp + " MESSAGE", stamp, stamp + " START",
                      "not a record at all", "\t" + stamp + " MESSAGE TAB"}),
         [](const Parsed& p) {
             const LogDevice& d = p.device(100, "STORAGE", "0");
             EXPECT_TRUE(d.messages.empty());
             EXPECT_TRUE(d.tests.empty());
             EXPECT_TRUE(contains(p.trace, " Tag: INFO Unrecognized tag.INFO\n"));
         }},
        {"STOP TESTS outside a section goes to the last section's device",
         with_device({"--- STORAGE", "STOP TESTS 0-0-1 x", "UID: 7"}),
         [](const Parsed& p) {
             EXPECT_EQ(p.device(100, "STORAGE", "0").unique_code, "0-0-1 x");
             EXPECT_NE(p.subsystem(100, "STORAGE").devices.find("7"), nullptr) << "back in the section";
         }},
        {"lines before the first section are passed over",
         {"START TESTS", stamp + " START A", stamp + " MESSAGE M", "STOP TESTS 1", ">>> RESOURCE R", "INDEX: 0",
          "SIZE: 1", "<<< RESOURCE", "MODEL: x", "--- X", "+++ " + stamp + " STORAGE 100", "UID: 0"},
         [](const Parsed& p) {
             ASSERT_EQ(p.reader->groups().size(), 1u);
             const LogDevice& d = p.device(100, "STORAGE", "0");
             EXPECT_TRUE(d.tests.empty());
             EXPECT_TRUE(d.resources.empty());
             EXPECT_FALSE(p.subsystem(100, "STORAGE").broken);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.check(parse_text(join(c.lines)));
    }
}

TEST(LogReader, LongLinesAndManyLinesSurviveTheReadBuffer) {
    // Lines that straddle the reader's chunks, with CRLF split across them.
    std::vector<std::string> lines = {"+++ " + stamp + " STORAGE 100", "UID: 0"};
    for (int i = 0; i < 3000; ++i)
        lines.push_back("P" + std::to_string(i) + ": " + std::string(std::size_t(i % 97) * 7, 'v') + "e");
    lines.push_back("LONG: " + std::string(200000, 'w'));
    const Parsed p = parse_text(join(lines, "\r\n"));
    const LogDevice& d = p.device(100, "STORAGE", "0");
    ASSERT_EQ(d.properties.size(), 3001u);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(d.properties[std::size_t(i)].second, std::string(std::size_t(i % 97) * 7, 'v') + "e") << i;
    }
    EXPECT_EQ(d.properties.back().second.size(), 200000u);
}

} // namespace
