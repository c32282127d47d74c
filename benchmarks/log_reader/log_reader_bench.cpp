// Writes a large log the way the test modules write it, parses it with the trace going to /dev/null
// and prints the parse speed and peak memory beside the time `wc -l` takes over the same file.
//   log_reader_bench [megabytes]   (default 100; ZVK_BENCH_KEEP=1 keeps the log for a profiler)
// The parse runs in a fresh child process so that its peak memory is its own.
#include "bench_log_writer.h"
#include "log_reader.h"

#include <QtGlobal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void write_log(const std::string& path, double megabytes) {
    bench_log::Writer w(path);
    for (std::int64_t run = 0; double(w.bytes()) < megabytes * 1e6; ++run) {
        const std::string key = std::to_string(1796811300 + run * 3600);
        w.line("+++ " + bench_log::stamp(w.now()) + " STORAGE " + key);
        for (int d = 0; d < 3; ++d)
            bench_log::write_device(w, std::to_string(d), "Disk " + std::to_string(d), 5, 12);
        w.line("--- STORAGE");
        w.line("+++ " + bench_log::stamp(w.now()) + " MEMORY " + key);
        bench_log::write_device(w, "DIMM0", "DIMM 0", 3, 30);
        w.line("--- MEMORY");
    }
    w.close();
    std::printf("log: %.1f MB, %llu lines, written to %s\n", double(w.bytes()) / 1e6,
                static_cast<unsigned long long>(w.lines()), path.c_str());
}

long peak_kilobytes() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Child: parse the log on drive C: with the trace going to /dev/null, then print the figures.
int parse_child(double wc_seconds, double lines, double file_bytes) {
    const long before = peak_kilobytes();
    const int saved = dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    std::fflush(stdout);
    dup2(null, 1);
    const auto start = Clock::now();
    LogReader reader;
    const int opened = reader.open();
    reader.parse();
    std::fflush(stdout);
    const double elapsed = seconds_since(start);
    dup2(saved, 1);
    const double peak = double(peak_kilobytes()) * 1024;
    std::printf("parse: %.3f s (open %d, %zu runs) = %.1f x wc -l; %.1f MB/s, %.2f M lines/s; "
                "peak memory %.1f MB = %.2f x the file (%.1f MB before the parse)\n",
                elapsed, opened, reader.groups().size(), elapsed / wc_seconds, file_bytes / 1e6 / elapsed,
                lines / elapsed / 1e6, peak / 1e6, peak / file_bytes, double(before) * 1024 / 1e6);
    return 0;
}

double time_command(const std::string& command) {
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
    return seconds_since(start);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--parse") == 0)
        return parse_child(std::atof(argv[2]), std::atof(argv[3]), std::atof(argv[4]));
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 100;

    std::string drive;
    const std::string path = bench_log::make_drive(drive);
    write_log(path, megabytes);
    struct stat info;
    stat(path.c_str(), &info);

    // Warm the page cache, then take the best of three for each.
    const std::string wc = "wc -l " + path + " > /dev/null";
    time_command(wc);
    double wc_best = 1e9;
    for (int i = 0; i < 3; ++i)
        wc_best = std::min(wc_best, time_command(wc));
    std::printf("wc -l: %.3f s\n", wc_best);
    std::fflush(stdout);

    std::uint64_t lines = 0;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[1 << 16];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            for (std::size_t i = 0; i < got; ++i)
                lines += chunk[i] == '\n';
        std::fclose(f);
    }

    const std::string wc_arg = std::to_string(wc_best), lines_arg = std::to_string(lines),
                      size_arg = std::to_string(info.st_size);
    for (int i = 0; i < 3; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            execl("/proc/self/exe", argv[0], "--parse", wc_arg.c_str(), lines_arg.c_str(), size_arg.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    if (qEnvironmentVariableIsSet("ZVK_BENCH_KEEP")) {
        std::printf("kept: ZVK_DRIVE_C=%s\n", drive.c_str());
        return 0;
    }
    bench_log::remove_drive(drive, path);
    return 0;
}
