#pragma once
// Writes large logs for the log benchmarks, line by line as the modules write them, and puts them
// where the program looks: a fresh folder stands for drive C:.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace bench_log {

inline std::string stamp(std::int64_t t) {
    const std::time_t value = std::time_t(t);
    struct tm parts;
    gmtime_r(&value, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SUTC", &parts);
    return text;
}

class Writer {
public:
    explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
        if (!file_) {
            std::perror(path.c_str());
            std::exit(1);
        }
    }
    ~Writer() { close(); }

    void line(const std::string& text) {
        buffer_ += text;
        buffer_ += "\r\n";
        ++lines_;
        if (buffer_.size() > (1u << 20))
            flush();
    }
    // Records come in bursts: most share their second with a neighbour.
    void record(const std::string& rest) {
        if (++tick_ % 3 == 0)
            ++now_;
        line(stamp(now_) + " " + rest);
    }
    void set_now(std::int64_t now) { now_ = now; }
    std::int64_t now() const { return now_; }
    std::uint64_t lines() const { return lines_; }
    std::uint64_t bytes() const { return bytes_ + buffer_.size(); }
    void close() {
        if (!file_)
            return;
        flush();
        std::fclose(file_);
        file_ = nullptr;
    }

private:
    void flush() {
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
        bytes_ += buffer_.size();
        buffer_.clear();
    }

    std::FILE* file_;
    std::string buffer_;
    std::uint64_t lines_ = 0;
    std::uint64_t bytes_ = 0;
    std::int64_t now_ = 1796811300;
    std::uint64_t tick_ = 0;
};

// One device: properties, a resource of two partitions, `tests` tests of `messages` messages each
// (every seventh a warning with two parameters), every eleventh test failed.
inline void write_device(Writer& w, const std::string& uid, const std::string& name, int tests,
                         int messages) {
    w.line("UID: " + uid);
    w.line("DISPLAYNAME: " + name);
    w.line("MODEL: WDC WD10EZEX-08WN4A0");
    w.line("SERIAL: WD-WCC6Y3KX" + uid + "0123");
    w.line("FIRMWARE: 01.01A01");
    w.line("INTERFACE: SATA 6.0 Gb/s");
    w.line("NOTE: spare: 12 sectors");
    w.line(">>> RESOURCE PARTITION");
    for (int p = 0; p < 2; ++p) {
        w.line("INDEX: " + std::to_string(p));
        w.line("SIZE: 500 GB");
        w.line("FILESYSTEM: NTFS");
        w.line("LABEL: DATA" + std::to_string(p));
    }
    w.line("<<< RESOURCE");
    w.line("START TESTS");
    w.record("MESSAGE DEVICE_READY");
    static const char* const names[] = {"SMART_CHECK", "SURFACE_SCAN", "READ_SPEED", "SEEK_TEST",
                                        "BUTTERFLY"};
    for (int t = 0; t < tests; ++t) {
        const std::string test = names[t % 5];
        w.record("START " + test);
        for (int m = 0; m < messages; ++m) {
            if (m % 7 == 6)
                w.record("WARNING SLOW_SECTOR_FOUND " + std::to_string(1024 * m) + " " + std::to_string(m));
            else
                w.record("MESSAGE PROGRESS " + std::to_string(m * 100 / messages) + " PERCENT");
        }
        w.record("STOP " + test + (t % 11 == 10 ? " FAILURE " : " SUCCESS ") + std::to_string(t + 1) + ".25");
    }
    w.line("STOP TESTS 0-1-" + uid);
}

// A fresh folder that stands for drive C: (ZVK_DRIVE_C), with its "zedra" folder; the log's path.
inline std::string make_drive(std::string& drive_folder) {
    char folder_template[] = "/tmp/zvk_log_bench_XXXXXX";
    const char* drive = mkdtemp(folder_template);
    if (!drive) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    drive_folder = drive;
    setenv("ZVK_DRIVE_C", drive, 1);
    const std::string folder = drive_folder + "/zedra";
    mkdir(folder.c_str(), 0755);
    return folder + "/zedra.log";
}

inline void remove_drive(const std::string& drive_folder, const std::string& path) {
    unlink(path.c_str());
    rmdir((drive_folder + "/zedra").c_str());
    rmdir(drive_folder.c_str());
}

} // namespace bench_log
