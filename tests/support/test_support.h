#pragma once
// Helpers shared by the tests.
#include <QString>
#include <string>

class QMessageBox;

namespace zvk_test {

// A fresh, empty folder for one test, below the folder CTest gives the test program.
QString fresh_dir(const QString& name);

// Writes bytes to a file, creating it; returns false when that fails.
bool write_file(const QString& path, const std::string& bytes);
std::string read_file(const QString& path);

} // namespace zvk_test
