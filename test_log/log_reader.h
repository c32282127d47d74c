#pragma once
// Reads the modules' common test log, "\zedra\zedra.log" on the system drive, into the log model.
// The log is line-oriented: markers at the start of a line open and close sections, resources and
// the tests of a device, "NAME: value" lines carry properties, and time-stamped records carry test
// starts, stops and messages. A small state machine decides where each line goes. While it parses,
// the reader traces every line and what it found to standard output.
#include "log_model.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

enum LogParseState {
    OUTSIDE_SECTION = 1,
    IN_SECTION = 4,
    IN_DEVICE = 5,
    IN_RESOURCE = 6,
    IN_RESOURCE_INSTANCE = 7,
    IN_TESTS = 8,
    IN_TEST = 9,
};

// Results of the reader's operations besides 0 (success; for a line handler: line consumed).
enum LogReaderResult {
    LOG_FILE_NOT_OPEN = 4,
    LOG_FILE_ALREADY_OPEN = 5,
    LINE_NOT_HANDLED = 13, // a line handler does not take the line; the next one gets it
    LOG_PARSE_STOPPED = 14, // the stop flag was raised: the model holds only the lines before
};

class LogReader : public LogModel {
public:
    LogReader();
    ~LogReader();

    // Creates the log folder if it is missing and opens the log for reading, shared with the
    // modules that append to it. 0, or 4 when the file cannot be opened.
    int open();
    // Reads every line into the model and closes the file. 0, or 4 when the file is not open, or 14
    // when the stop flag was raised before the end (the file is closed then too).
    int parse();
    // A flag that another thread may raise to end a parse under way early; null for none.
    void set_stop_flag(const std::atomic<bool>* stop) { stop_ = stop; }
    // Keep a name beside the stream (5 while the file is open); the file read is always the log.
    int set_file_name(const std::string& name);
    int open_file(const std::string& name);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    bool read_line();
    void parse_line();
    int parse_section_start();
    int parse_section_end();
    int parse_resource_start();
    int parse_resource_end();
    int parse_tests_start();
    int parse_tests_stop();
    int parse_property();
    int parse_record();
    int parse_stop_record();
    int parse_message_record(std::string_view tag);
    bool next_token();

    bool begins_with(const char* marker, std::size_t length) const;
    bool read_time_stamp(std::string_view text);
    LogDevice& device();
    void compact_device();
    void store_test_messages();
    void mark_broken();
    void select_device(std::int64_t group_key, const std::string& subsystem, const std::string& uid);

    void trace(std::string_view text) {
        if (text.empty()) // an empty token may have no bytes behind it
            return;
        if (text.size() > trace_capacity - trace_used_) {
            flush_trace();
            if (text.size() > trace_capacity) {
                std::fwrite(text.data(), 1, text.size(), stdout);
                return;
            }
        }
        std::memcpy(trace_buffer_.get() + trace_used_, text.data(), text.size());
        trace_used_ += text.size();
    }
    // A literal's length is known here: the copy is a few moves, not a call.
    template <std::size_t size> void trace(const char (&text)[size]) {
        constexpr std::size_t length = size - 1;
        if (length > trace_capacity - trace_used_)
            flush_trace();
        std::memcpy(trace_buffer_.get() + trace_used_, text, length);
        trace_used_ += length;
    }
    void trace_number(std::int64_t value);
    void trace_right(std::uint64_t value, std::size_t width);
    void trace_end();
    void flush_trace();

    const std::atomic<bool>* stop_ = nullptr;
    LogParseState state_ = OUTSIDE_SECTION;
    std::string file_name_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::string_view line_;  // into the read-ahead, or into long_line_ when it crossed a chunk
    std::string long_line_;
    std::string_view token_; // into line_
    std::size_t colon_position_ = 0;
    std::uint64_t line_counter_ = 0;
    std::size_t scan_position_ = 0;
    std::size_t token_end_ = std::string::npos; // npos: the token ended at the line's end
    struct tm broken_down_ {};
    std::int64_t current_time_ = 0;
    std::int64_t current_group_key_ = 0;
    std::string current_subsystem_;
    std::string current_uid_;
    std::string current_resource_;
    std::uint64_t current_index_ = 0;
    std::string current_test_;

    // Until the first section start is accepted there is no current run: lines that would store
    // into the model are passed over.
    bool in_run_ = false;
    LogDevice* device_ = nullptr; // the current device once reached; records never move
    // Messages of the current device's last test, not yet stored into it.
    std::vector<LogMessage> test_messages_;

    // Most records share their stamp with the line before; it is parsed once.
    std::string last_stamp_;
    std::int64_t last_stamp_time_ = 0;

    std::string input_;             // read-ahead of the file
    std::size_t input_position_ = 0;
    // The trace goes to standard output in large pieces.
    static constexpr std::size_t trace_capacity = 1 << 16;
    static constexpr std::size_t number_room = 24; // the longest 64-bit number and its sign
    std::unique_ptr<char[]> trace_buffer_{new char[trace_capacity]};
    std::size_t trace_used_ = 0;
};
