#pragma once
// What the fuzz targets need around the code under test: a scratch folder of the process's own for
// the files an input becomes, writing them, and a silent standard output.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace zvk_fuzz {

// A fresh folder `name`_<pid> (parallel jobs do not share it), removed when the process ends. It lies
// in $TMPDIR, else in /dev/shm: rewriting a file on a disk file system costs a flush on every close,
// which would make the file's own writing the main cost of an execution.
inline std::filesystem::path scratch_folder(const std::string& name) {
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path base = tmp && *tmp ? tmp : "/dev/shm";
    std::error_code error;
    if (!std::filesystem::is_directory(base, error))
        base = "/tmp";
    static std::filesystem::path folder;
    folder = base / (name + "_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
    return folder;
}

// Writes the file; a failure is the harness's own, and no input can be judged after it.
inline void write_file(const std::filesystem::path& path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
}

// Standard output goes nowhere: the code under test traces to it (the log reader every line, the
// time parser its too-short message); libFuzzer reports on standard error.
inline void silence_standard_output() {
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
}

} // namespace zvk_fuzz
