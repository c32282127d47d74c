#include "test_support.h"

#include "test_files.h"

namespace zvk_test {

QString fresh_dir(const QString& name) {
    return QString::fromStdString(fresh_folder(name.toStdString()));
}

bool write_file(const QString& path, const std::string& bytes) {
    return write_bytes(path.toStdString(), bytes);
}

std::string read_file(const QString& path) {
    return read_bytes(path.toStdString());
}

} // namespace zvk_test
