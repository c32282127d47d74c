#include "log_reader.h"

#include "win_os_api.h"
#include "time_utils.h"
#include "zvk_windows.h"

#include <algorithm>
#include <iterator>
#include <charconv>
#include <cstring>
#include <utility>

namespace {

constexpr std::size_t read_chunk = 1 << 16;
// The stamp parser writes its own message for stamps shorter than this.
constexpr std::size_t stamp_length = 18;

template <class T> void shrink(std::vector<T>& items) {
    if (items.capacity() > items.size())
        items.shrink_to_fit();
}

bool is_message_tag(std::string_view tag) {
    return tag == "MESSAGE" || tag == "WARNING" || tag == "ERROR" || tag == "CRITICAL";
}

} // namespace

LogReader::LogReader() = default;

LogReader::~LogReader() {
    flush_trace();
}

int LogReader::open() {
    if (file_)
        return 0;
    zedra_hal::OS_API* os = zedra_hal::Win_OS_API::get_instance();
    const char drive = os ? os->get_system_drive() : 0;
    if (drive == 0)
        return LOG_FILE_NOT_OPEN;
    const std::string folder = std::string(1, drive) + ":\\zedra";
    _mkdir(folder.c_str()); // an existing folder is the normal case
    const std::string path = folder + "\\zedra" + ".log";
    // Shared for writing: a module may append while the log is read. Read as bytes; the carriage
    // return of a Windows line end is dropped while lines are split, the same on every platform.
    file_.reset(_fsopen(path.c_str(), "rb", _SH_DENYNO));
    return file_ ? 0 : LOG_FILE_NOT_OPEN;
}

int LogReader::set_file_name(const std::string& name) {
    if (file_)
        return LOG_FILE_ALREADY_OPEN;
    file_name_ = name;
    return 0;
}

int LogReader::open_file(const std::string& name) {
    if (file_)
        return LOG_FILE_ALREADY_OPEN;
    file_name_ = name;
    return open();
}

int LogReader::parse() {
    if (!file_)
        return LOG_FILE_NOT_OPEN;
    bool more = true;
    bool stopped = false;
    while (more) {
        if (stop_ && stop_->load(std::memory_order_relaxed)) {
            stopped = true;
            break;
        }
        ++line_counter_;
        more = read_line();
        trace_right(line_counter_, 6);
        trace_right(line_.size(), 4);
        trace(": ");
        trace(line_);
        trace_end();
        if (!line_.empty())
            parse_line();
    }
    file_.reset();
    compact_device();
    line_ = std::string_view();
    input_ = std::string();
    long_line_ = std::string();
    flush_trace();
    return stopped ? LOG_PARSE_STOPPED : 0;
}

// The next line into line_, without its line end. False when the file ended before a line feed:
// that line (possibly empty) is the last.
bool LogReader::read_line() {
    long_line_.clear();
    for (;;) {
        if (input_position_ == input_.size()) {
            input_.resize(read_chunk);
            const std::size_t got = std::fread(&input_[0], 1, read_chunk, file_.get());
            input_.resize(got);
            input_position_ = 0;
            if (got == 0) {
                line_ = long_line_;
                return false;
            }
        }
        const char* begin = input_.data() + input_position_;
        const std::size_t available = input_.size() - input_position_;
        const void* feed = std::memchr(begin, '\n', available);
        if (!feed) {
            long_line_.append(begin, available);
            input_position_ = input_.size();
            continue;
        }
        const std::size_t length = std::size_t(static_cast<const char*>(feed) - begin);
        input_position_ += length + 1;
        if (long_line_.empty()) {
            line_ = std::string_view(begin, length);
        } else {
            long_line_.append(begin, length);
            line_ = long_line_;
        }
        if (!line_.empty() && line_.back() == '\r')
            line_.remove_suffix(1);
        return true;
    }
}

void LogReader::parse_line() {
    // Each handler either takes the line (0) or hands it on; a line nobody takes is passed over.
    if (parse_section_start() == 0 || parse_section_end() == 0 || parse_resource_start() == 0 ||
        parse_resource_end() == 0 || parse_tests_start() == 0 || parse_tests_stop() == 0 || parse_property() == 0)
        return;
    parse_record();
}

bool LogReader::begins_with(const char* marker, std::size_t length) const {
    // Most lines differ from a marker in their first byte.
    return line_.size() >= length && line_[0] == marker[0] && std::memcmp(line_.data(), marker, length) == 0;
}

bool LogReader::next_token() {
    if (scan_position_ >= line_.size()) {
        token_ = std::string_view();
        return false;
    }
    std::size_t begin = line_.find_first_not_of(' ', scan_position_);
    if (begin == std::string::npos)
        begin = line_.size();
    token_end_ = line_.find(' ', begin);
    const std::size_t end = token_end_ == std::string::npos ? line_.size() : token_end_;
    token_ = line_.substr(begin, end - begin);
    if (token_.empty())
        return false;
    scan_position_ = token_end_ == std::string::npos ? line_.size() : token_end_ + 1;
    return true;
}

bool LogReader::read_time_stamp(std::string_view text) {
    if (!last_stamp_.empty() && text == last_stamp_) {
        current_time_ = last_stamp_time_;
        return true;
    }
    if (text.size() < stamp_length) {
        flush_trace(); // keeps the parser's own message in its place in the trace
        return ParseRfc8601Time(std::string(text), &broken_down_); // the message needs the text ended
    }
    if (!ParseRfc8601Time(text.data(), text.size(), &broken_down_))
        return false;
    current_time_ = utc_to_time(&broken_down_);
    last_stamp_ = text;
    last_stamp_time_ = current_time_;
    return true;
}

void LogReader::select_device(std::int64_t group_key, const std::string& subsystem, const std::string& uid) {
    compact_device();
    current_group_key_ = group_key;
    current_subsystem_ = subsystem;
    current_uid_ = uid;
    device_ = nullptr;
}

// The current device, reached from the top and created on demand.
LogDevice& LogReader::device() {
    if (!device_)
        device_ = &groups()[current_group_key_].subsystems[current_subsystem_].devices[current_uid_];
    return *device_;
}

// A device is done, as a rule, when the parser moves on to another: its lists give back what
// they reserved for growth, which keeps the whole model near the size of the log.
void LogReader::compact_device() {
    if (!device_)
        return;
    store_test_messages();
    shrink(device_->properties);
    shrink(device_->messages);
    shrink(device_->tests);
    for (LogTest& test : device_->tests)
        shrink(test.messages);
}

// The open test's messages gather in a list that keeps its room from test to test; the test takes
// them in one piece of the exact size when it is done or the parser moves to another device, which
// spares the growing and shrinking of every test's own list.
void LogReader::store_test_messages() {
    if (test_messages_.empty())
        return;
    std::vector<LogMessage>& messages = device_->tests.back().messages;
    messages.reserve(messages.size() + test_messages_.size());
    std::move(test_messages_.begin(), test_messages_.end(), std::back_inserter(messages));
    test_messages_.clear();
}

void LogReader::mark_broken() {
    if (in_run_)
        groups()[current_group_key_].subsystems[current_subsystem_].broken = true;
}

int LogReader::parse_section_start() {
    if (!begins_with("+++ ", 4))
        return LINE_NOT_HANDLED;
    trace("\t\tFound +++");
    // A section that starts while another is open: the open one never got its end.
    if (state_ != OUTSIDE_SECTION)
        mark_broken();
    scan_position_ = 4;
    if (!next_token() || !read_time_stamp(token_)) {
        trace_end();
        return LINE_NOT_HANDLED;
    }
    trace(" Date: ");
    trace(token_);
    trace("(");
    trace_number(current_time_);
    trace(")");
    if (!next_token()) {
        trace("\tNo subsystem");
        trace_end();
        return LINE_NOT_HANDLED;
    }
    const std::string name(token_);
    trace(" Name: ");
    trace(name);
    std::int64_t key = 0;
    if (!next_token()) {
        trace("\tNo group");
        trace_end();
        return LINE_NOT_HANDLED;
    }
    if (!from_string(key, std::string(token_))) {
        trace("\tMalformed group");
        trace_end();
        return LINE_NOT_HANDLED;
    }
    trace(" Group: ");
    trace_number(key);
    trace_end();

    LogGroup& group = groups()[key];
    if (!group.subsystems.contains(name)) {
        LogSubsystem& subsystem = group.subsystems[name];
        subsystem.name = name;
        subsystem.broken = false;
        group.group = key;
    }
    select_device(key, name, current_uid_);
    in_run_ = true;
    state_ = IN_SECTION;
    return 0;
}

int LogReader::parse_section_end() {
    if (!begins_with("--- ", 4))
        return LINE_NOT_HANDLED;
    trace("\t\tFound ---");
    scan_position_ = 4;
    next_token();
    trace(" Subsystem: ");
    trace(token_);
    if (token_ != current_subsystem_)
        trace(" Subsystem is different! Log file is broken! ");
    trace_end();
    state_ = OUTSIDE_SECTION;
    return 0;
}

int LogReader::parse_resource_start() {
    static const char marker[] = ">>> RESOURCE ";
    if (!begins_with(marker, sizeof marker - 1))
        return LINE_NOT_HANDLED;
    current_resource_.assign(line_.substr(sizeof marker - 1));
    trace("\t\tFound >>> RESOURCE");
    trace(" Value: ");
    trace(current_resource_);
    trace_end();
    state_ = IN_RESOURCE;
    return 0;
}

int LogReader::parse_resource_end() {
    static const char marker[] = "<<< RESOURCE";
    if (!begins_with(marker, sizeof marker - 1))
        return LINE_NOT_HANDLED;
    trace("\t\tFound <<<  RESOURCE");
    trace_end();
    if (state_ == IN_RESOURCE || state_ == IN_RESOURCE_INSTANCE)
        state_ = IN_DEVICE;
    return 0;
}

int LogReader::parse_tests_start() {
    if (line_ != "START TESTS")
        return LINE_NOT_HANDLED;
    trace("\t\tFound START TESTS");
    trace_end();
    state_ = IN_TESTS;
    return 0;
}

int LogReader::parse_tests_stop() {
    static const char marker[] = "STOP TESTS ";
    if (!begins_with(marker, sizeof marker - 1))
        return LINE_NOT_HANDLED;
    const std::string code(line_.substr(sizeof marker - 1));
    trace("\t\tFound STOP TESTS. Unique code: ");
    trace(code);
    trace_end();
    if (!in_run_)
        return 0;
    device().unique_code = code;
    state_ = IN_SECTION;
    return 0;
}

int LogReader::parse_property() {
    colon_position_ = line_.find(':');
    if (colon_position_ == std::string::npos)
        return LINE_NOT_HANDLED;
    const std::string name(line_.substr(0, colon_position_));
    const std::size_t first = line_.find_first_not_of(' ', colon_position_ + 1);
    trace("\t\tProperty: ");
    trace(name);
    if (first == std::string::npos) {
        trace("\t\tVoid value");
        trace_end();
        return 0;
    }
    const std::size_t last = line_.find_last_not_of(' ');
    std::string value(line_.substr(first, last + 1 - first));
    trace(" Value: ");
    trace(value);
    trace_end();

    switch (state_) {
    case IN_SECTION:
        if (name == "UID" && in_run_) {
            select_device(current_group_key_, current_subsystem_, value);
            device() = LogDevice(); // a device logged twice in one section keeps the second logging
            state_ = IN_DEVICE;
        }
        return 0;
    case IN_DEVICE:
        if (!in_run_)
            return 0;
        if (name == "DISPLAYNAME")
            device().display_name = std::move(value);
        else
            device().properties.emplace_back(name, std::move(value));
        return 0;
    case IN_RESOURCE:
        if (name == "INDEX") {
            std::uint64_t index = 0;
            if (!from_string(index, value))
                return LINE_NOT_HANDLED;
            if (!in_run_)
                return 0;
            current_index_ = index;
            device().resources[current_resource_][index].clear();
            state_ = IN_RESOURCE_INSTANCE;
        }
        return 0;
    case IN_RESOURCE_INSTANCE:
        if (!in_run_)
            return 0;
        device().resources[current_resource_][current_index_].emplace_back(name, std::move(value));
        return 0;
    default:
        return 0;
    }
}

int LogReader::parse_record() {
    scan_position_ = 0;
    if (!next_token() || !read_time_stamp(token_))
        return LINE_NOT_HANDLED;
    trace("\t\tFound ");
    trace(line_.substr(0, token_end_ == std::string::npos ? line_.size() : token_end_));
    trace(". Value: ");
    trace_number(current_time_);
    if (!next_token()) {
        trace_end();
        return LINE_NOT_HANDLED;
    }
    const std::string_view tag = token_;
    trace(" Tag: ");
    trace(tag);

    if (tag == "START") {
        if (!next_token()) {
            trace_end();
            return LINE_NOT_HANDLED;
        }
        trace(" Test: ");
        trace(token_);
        trace_end();
        if (!in_run_)
            return 0;
        current_test_ = token_;
        LogTest test;
        test.name = token_;
        test.start = current_time_;
        store_test_messages(); // they belong to the test before
        device().tests.push_back(std::move(test));
        state_ = IN_TEST;
        return 0;
    }
    if (tag == "STOP")
        return parse_stop_record();
    if (is_message_tag(tag))
        return parse_message_record(tag);
    trace(" Unrecognized tag.");
    trace(tag);
    trace_end();
    return LINE_NOT_HANDLED;
}

int LogReader::parse_stop_record() {
    // Only the open test can be stopped; a stop of nothing is consumed.
    if (state_ != IN_TEST) {
        trace_end();
        return 0;
    }
    if (!next_token()) {
        trace_end();
        return LINE_NOT_HANDLED;
    }
    trace(" Test: ");
    trace(token_);
    if (token_ != current_test_) {
        trace(" Closing a test that's not the same as the started (");
        trace(current_test_);
        trace(", ");
        trace(token_);
        trace(")");
        trace_end();
        mark_broken();
        state_ = IN_TESTS;
        return 0;
    }
    if (!next_token()) {
        trace_end();
        return LINE_NOT_HANDLED;
    }
    trace(" Result: ");
    trace(token_);
    std::vector<LogTest>& tests = device().tests;
    if (!tests.empty()) {
        tests.back().stop = current_time_;
        tests.back().result = token_;
    }
    if (!next_token()) {
        trace_end();
        return LINE_NOT_HANDLED;
    }
    trace(" Time spent: ");
    trace(token_);
    double spent = 0;
    if (!from_string(spent, std::string(token_))) {
        trace(" Can't convert time spent.");
        trace_end();
        return LINE_NOT_HANDLED;
    }
    trace_end();
    if (!tests.empty())
        tests.back().time_spent = spent;
    state_ = IN_TESTS;
    return 0;
}

int LogReader::parse_message_record(std::string_view tag) {
    if (!next_token()) {
        trace_end();
        return LINE_NOT_HANDLED;
    }
    LogMessage message;
    message.time = current_time_;
    message.tag = tag;
    message.token = token_;
    trace(" Token: ");
    trace(token_);
    if (scan_position_ < line_.size()) {
        const std::size_t blanks = std::size_t(std::count(line_.begin() + std::ptrdiff_t(scan_position_), line_.end(), ' '));
        message.params.reserve(blanks + 1);
    }
    while (next_token()) {
        trace(" Parameter: ");
        trace(token_);
        message.params.emplace_back(token_);
    }
    shrink(message.params);
    trace_end();
    if (!in_run_)
        return 0;
    if (state_ == IN_TESTS) {
        device().messages.push_back(std::move(message));
    } else if (state_ == IN_TEST) {
        if (!device().tests.empty())
            test_messages_.push_back(std::move(message));
    }
    return 0;
}

// Numbers are written straight into the trace buffer: they come twice for every line.
void LogReader::trace_number(std::int64_t value) {
    if (trace_capacity - trace_used_ < number_room)
        flush_trace();
    char* const at = trace_buffer_.get() + trace_used_;
    trace_used_ += std::size_t(std::to_chars(at, at + number_room, value).ptr - at);
}

void LogReader::trace_right(std::uint64_t value, std::size_t width) {
    char digits[24];
    const std::size_t length = std::size_t(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    const std::size_t blanks = length < width ? width - length : 0;
    if (trace_capacity - trace_used_ < blanks + length) {
        flush_trace();
        if (blanks + length > trace_capacity) { // only for a width no caller asks for
            for (std::size_t i = 0; i < blanks; ++i)
                trace(" ");
            trace(std::string_view(digits, length));
            return;
        }
    }
    char* const at = trace_buffer_.get() + trace_used_;
    std::memset(at, ' ', blanks);
    std::memcpy(at + blanks, digits, length);
    trace_used_ += blanks + length;
}

void LogReader::trace_end() {
    trace("\n");
}

// Hands the trace to standard output's own buffer; it is never flushed line by line.
void LogReader::flush_trace() {
    if (trace_used_ == 0)
        return;
    std::fwrite(trace_buffer_.get(), 1, trace_used_, stdout);
    trace_used_ = 0;
}
