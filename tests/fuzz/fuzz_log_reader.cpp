// The log reader over a log file: the input is zedra.log on a drive C: of the fuzzer's own. The
// model is then walked the way the log views pick runs: the newest one, and every run of the
// widest interval.
#include "fuzz_files.h"
#include "log_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {
std::filesystem::path log_path;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::filesystem::path drive = zvk_fuzz::scratch_folder("zvk_fuzz_drive_c");
    std::filesystem::create_directories(drive / "zedra");
    log_path = drive / "zedra" / "zedra.log";
    setenv("ZVK_DRIVE_C", drive.c_str(), 1);
    zvk_fuzz::silence_standard_output();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zvk_fuzz::write_file(log_path, data, size);
    LogReader reader;
    if (reader.open() != 0 || reader.parse() != 0)
        std::abort(); // the file is there: the reader must open and read it
    reader.last_group();
    reader.set_interval(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
    while (reader.next_group()) {
    }
    return 0;
}
