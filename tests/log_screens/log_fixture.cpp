#include "log_fixture.h"

#include "log_html.h"
#include "log_reader.h"
#include "log_run_pager.h"
#include "test_support.h"

#include <QCursor>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextTable>
#include <QTime>
#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

namespace log_fixture {

namespace {

std::string stamp(std::int64_t seconds) {
    const std::time_t value = std::time_t(seconds);
    struct tm parts {};
    gmtime_r(&value, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SUTC", &parts);
    return text;
}

} // namespace

std::string section(const std::string& subsystem, std::int64_t key, const std::string& device, bool closed) {
    std::string text = "+++ " + stamp(key) + " " + subsystem + " " + std::to_string(key) + "\n" +
                       "UID: DEVICE_0\n"
                       "DISPLAYNAME: " +
                       device +
                       "\n"
                       "MODEL: TM-HD-100\n"
                       ">>> RESOURCE PARTITION\n"
                       "INDEX: 0\n"
                       "SIZE: 100 GB\n"
                       "<<< RESOURCE\n"
                       "START TESTS\n" +
                       stamp(key + 1) + " MESSAGE DEVICE_SELECTED 1\n" + stamp(key + 1) +
                       " START READ_TEST\n" + stamp(key + 2) + " STOP READ_TEST SUCCESS 0.2\n" +
                       "STOP TESTS 1-0-0-0-0\n";
    if (closed)
        text += "--- " + subsystem + "\n";
    return text;
}

std::string long_section(const std::string& subsystem, std::int64_t key, const std::string& device,
                         int records) {
    std::string text = "+++ " + stamp(key) + " " + subsystem + " " + std::to_string(key) +
                       "\nUID: DEVICE_0\nDISPLAYNAME: " + device + "\nSTART TESTS\n" + stamp(key) +
                       " START SURFACE_SCAN\n";
    for (int r = 0; r < records; ++r)
        text += stamp(key + 1 + r / 3) + " WARNING BAD_SECTOR " + std::to_string(1000 + r) + "\n";
    text += stamp(key + 1 + records / 3) + " STOP SURFACE_SCAN FAILURE 12.5\nSTOP TESTS 0-1-0-0-0\n--- " +
            subsystem + "\n";
    return text;
}

std::string many_devices_section(const std::string& subsystem, std::int64_t key, int devices) {
    std::string text = "+++ " + stamp(key) + " " + subsystem + " " + std::to_string(key) + "\n";
    for (int d = 0; d < devices; ++d)
        text += "UID: DEVICE_" + std::to_string(d) + "\nDISPLAYNAME: Disk " + std::to_string(d) +
                "\nMODEL: TM-HD-100\n>>> RESOURCE PARTITION\nINDEX: 0\nSIZE: 100 GB\n<<< RESOURCE\nSTART "
                "TESTS\n" +
                stamp(key + 1) + " START READ_TEST\n" + stamp(key + 2) + " STOP READ_TEST SUCCESS 0.2\n" +
                "STOP TESTS 1-0-0-0-0\n";
    return text + "--- " + subsystem + "\n";
}

QString log_folder() {
    return qEnvironmentVariable("ZVK_DRIVE_C") + "/zedra";
}

QString log_path() {
    return log_folder() + "/zedra.log";
}

void write_log(const std::string& text) {
    QDir().mkpath(log_folder());
    ASSERT_TRUE(zvk_test::write_file(log_path(), text));
}

void remove_log_folder() {
    QDir(log_folder()).removeRecursively();
}

std::int64_t local_time(const QDate& day, int hour, int minute, int second) {
    return QDateTime(day, QTime(hour, minute, second), Qt::LocalTime).toSecsSinceEpoch();
}

QString view_content(QTextEdit* view) {
    return view->toHtml();
}

QString without_breaks_between_tables(QString content) {
    static const QRegularExpression breaks(
        R"re(</table>\s*(<p style="-qt-paragraph-type:empty;[^"]*">\s*<br />\s*</p>\s*)*<table)re");
    return content.replace(breaks, "</table><table");
}

QString content_of(const QString& html) {
    QTextEdit view;
    view.setText(html);
    return view.toHtml();
}

QStringList texts_of_runs(std::int64_t from, std::int64_t to) {
    QStringList texts;
    LogReader reader;
    EXPECT_EQ(reader.open(), 0);
    reader.parse();
    reader.set_interval(from, to);
    LogHtml html;
    while (html.add_group(reader.next_group(), 0, "ALL"))
        texts.append(html.take_html());
    return texts;
}

void expect_document_of_its_runs(QTextEdit* view, const LogRunPager& pager, const QStringList& texts) {
    ASSERT_GT(pager.runs_in_document(), 0);
    QString text;
    for (int i = pager.first_run(); i < pager.first_run() + pager.runs_in_document(); ++i)
        text += texts[i];
    EXPECT_EQ(without_breaks_between_tables(view_content(view)),
              without_breaks_between_tables(content_of(text)))
        << "runs " << pager.first_run() << " + " << pager.runs_in_document();
}

QStringList table_rows(const QTextDocument& document) {
    QStringList rows;
    // Tables in the order of their first position: nested frames come after their parents.
    std::vector<QTextTable*> tables;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextTable* table = QTextCursor(block).currentTable();
        if (table && (tables.empty() || tables.back() != table) &&
            std::find(tables.begin(), tables.end(), table) == tables.end())
            tables.push_back(table);
    }
    for (QTextTable* table : tables) {
        for (int r = 0; r < table->rows(); ++r) {
            QString row;
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                QTextCursor text = cell.firstCursorPosition();
                text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                row += text.selectedText() + "|";
            }
            row += table->cellAt(r, 0).format().background().color().name();
            rows << row;
        }
    }
    return rows;
}

QStringList table_rows_of(const QString& html) {
    QTextDocument document;
    document.setHtml(html);
    return table_rows(document);
}

std::optional<int> vertical_shift(const QImage& shown, const QImage& expected, int most) {
    if (shown.size() != expected.size())
        return std::nullopt;
    for (int size = 0; size <= most; ++size) {
        for (int d : {size, -size}) {
            bool same = true;
            for (int y = std::max(0, -d); same && y < shown.height() && y + d < expected.height(); ++y)
                same = std::memcmp(shown.constScanLine(y), expected.constScanLine(y + d),
                                   std::size_t(shown.bytesPerLine())) == 0;
            if (same)
                return d;
        }
    }
    return std::nullopt;
}

void Window::SetUp() {
    // The window scans its working folder for modules: give it an empty one.
    saved_dir = QDir::currentPath();
    QDir::setCurrent(zvk_test::fresh_dir("log_screens"));
    remove_log_folder();
    window.reset(new GUIManager(nullptr, Qt::WindowFlags()));
}

void Window::TearDown() {
    window.reset();
    QDir::setCurrent(saved_dir);
}

ViewCursor::ViewCursor(QTextEdit* view_) : view(view_), text_cursor(view_->viewport()->cursor().shape()) {}

bool ViewCursor::busy() const {
    return view->viewport()->cursor().shape() == Qt::BusyCursor && view->cursor().shape() == Qt::BusyCursor;
}

bool ViewCursor::normal() const {
    // A view that is a window of its own keeps the attribute when its cursor is unset, with the arrow.
    const bool own_unset =
        view->isWindow() ? view->cursor().shape() == Qt::ArrowCursor : !view->testAttribute(Qt::WA_SetCursor);
    return view->viewport()->cursor().shape() == text_cursor && own_unset;
}

} // namespace log_fixture
