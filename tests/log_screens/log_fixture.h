#pragma once
// What the log screen tests share: a main window in an empty working folder, whose log screens read
// the log that a test writes on the test's own drive C:, and the lines of that log.
#include "gui_manager.h"

#include <gtest/gtest.h>

#include <QString>
#include <Qt>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class LogRunPager;
class QImage;
class QTextDocument;
class QTextEdit;
class QWidget;

namespace log_fixture {

// "+++ ... STORAGE 1796811300" up to "--- STORAGE": one section of one run with one device named
// `device`, holding one passed test. Without `closed` the section end is left out.
std::string section(const std::string& subsystem, std::int64_t key, const std::string& device,
                    bool closed = true);

// A section as section() writes it, whose one test logs `records` bad sectors: one run of many records.
std::string long_section(const std::string& subsystem, std::int64_t key, const std::string& device,
                         int records);

// A section of `devices` devices, each as section() writes its one: one run of many devices.
std::string many_devices_section(const std::string& subsystem, std::int64_t key, int devices);

// The log file on drive C:, and its folder.
QString log_path();
QString log_folder();
void write_log(const std::string& text);
void remove_log_folder();

// The local time of a day at a time of day, in seconds since 1970 UTC.
std::int64_t local_time(const QDate& day, int hour, int minute, int second);

// The mouse cursor over a text view: the busy one over its text, frame and scroll bars, or the view's
// own again (the text cursor over the text, the view's parent's elsewhere).
class ViewCursor {
public:
    explicit ViewCursor(QTextEdit* view);
    bool busy() const;
    bool normal() const;

private:
    QTextEdit* const view;
    const Qt::CursorShape text_cursor; // over the text, as the view had it at first
};

// The view's content as Qt stores it, and what the same HTML looks like set into a fresh view: equal
// when the view shows exactly that HTML.
QString view_content(QTextEdit* view);
QString content_of(const QString& html);
// Such a content without the empty paragraphs that stand between two tables. Qt keeps one there
// where a piece of a table was inserted after another, and makes two of it where their text was set
// at once; they take no room (the pieces' rows stand where the one table's do, which the tests that
// compare pictures show).
QString without_breaks_between_tables(QString content);

// The HTML of each run of the log on drive C: whose key lies in [from, to], oldest first, as one
// builder writes all of them one after the other.
QStringList texts_of_runs(std::int64_t from, std::int64_t to);
// `view`'s document holds exactly the texts of the runs (or pieces of runs) that `pager` says it holds.
void expect_document_of_its_runs(QTextEdit* view, const LogRunPager& pager, const QStringList& texts);

// Every table row of the document, in order: its cells' texts and the background of its first cell.
QStringList table_rows(const QTextDocument& document);
QStringList table_rows_of(const QString& html);

// How far below `expected` the picture `shown` stands: the d (|d| <= most) of least size for which
// every row y of `shown` equals row y + d of `expected` where both have it; none when there is none.
std::optional<int> vertical_shift(const QImage& shown, const QImage& expected, int most);

class Window : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    GUIManager& w() { return *window; }

    QString saved_dir;
    std::unique_ptr<GUIManager> window;
};

} // namespace log_fixture
