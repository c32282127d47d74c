#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

namespace zvk_test {

QString fresh_dir(const QString& name) {
    QString base = qEnvironmentVariable("ZVK_TEST_WORK_DIR");
    if (base.isEmpty())
        base = QDir::tempPath() + "/zvk_test";
    QDir dir(base + "/" + name);
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir.absolutePath();
}

bool write_file(const QString& path, const std::string& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

std::string read_file(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = f.readAll();
    return std::string(data.constData(), size_t(data.size()));
}

} // namespace zvk_test
