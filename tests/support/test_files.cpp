#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace zvk_test {

std::string fresh_folder(const std::string& name) {
    const char* base = std::getenv("ZVK_TEST_WORK_DIR");
    std::error_code error;
    std::filesystem::path dir = base && *base ? std::filesystem::path(base)
                                              : std::filesystem::temp_directory_path(error) / "zvk_test";
    dir /= name;
    std::filesystem::remove_all(dir, error);
    std::filesystem::create_directories(dir, error);
    return std::filesystem::absolute(dir, error).lexically_normal().generic_string();
}

bool write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out.flush());
}

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string from_text_mode(const std::string& written) {
#ifdef _WIN32
    std::string text;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n') {
            text += '\n';
            ++i;
            continue;
        }
        EXPECT_FALSE(written[i] == '\n' || written[i] == '\r') << "a line end without CR LF at byte " << i;
        text += written[i];
    }
    return text;
#else
    return written;
#endif
}

} // namespace zvk_test
