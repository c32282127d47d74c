#pragma once
// Files and folders for tests, without Qt (the Windows build of the tests has none).
#include <string>

namespace zvk_test {

// A fresh, empty folder for one test, below the folder CTest gives the test program.
std::string fresh_folder(const std::string& name);

// Writes bytes to a file, creating or emptying it; false when that fails.
bool write_bytes(const std::string& path, const std::string& bytes);
// The whole file, or "" when it cannot be read.
std::string read_bytes(const std::string& path);

// What a program wrote to a file in text mode, with LF line ends. On Windows text mode writes each
// LF as CR LF: those become LF again, and any other CR or LF is a test failure.
std::string from_text_mode(const std::string& written);

} // namespace zvk_test
