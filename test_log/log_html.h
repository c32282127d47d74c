#pragma once
// Renders runs of the log model as the HTML subset that Qt's rich-text view understands.
#include "log_model.h"

#include <QLatin1String>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class QFontMetricsF;

// A log code (upper-case words joined by underscores) as a translation token: ALL_PASSED gives
// AllPassed. Parts of fewer than two characters are dropped.
QString log_code_to_token(const QString& code);

// The code's token translated in context "Translations" (the token itself without a translation),
// as Latin-1.
std::string translate_log_code(const std::string& code);

// Builds one HTML text, group by group. Every text handed in is escaped; the markup around it is
// this class's own. Strings are the log's 8-bit bytes, read as Latin-1.
class LogHtml {
public:
    LogHtml();
    // A builder that goes on where another left off after writing `rows_before` rows: the rows'
    // alternation continues, so a run rendered on its own reads exactly as in one text of many runs.
    explicit LogHtml(int rows_before);
    // A builder that keeps no text: it goes through the same steps as one that writes and learns only
    // how long the text would be (length()) and how many rows it would hold (rows()).
    static LogHtml counter(int rows_before = 0);

    // Appends the subsystems of `group` that `filter` selects: "ALL" (any case) selects all of them;
    // any other filter selects the subsystem of that name (any case), and only when `run_time` is
    // the group's key. False, with nothing appended, when `group` is null.
    bool add_group(const LogGroup* group, std::uint64_t run_time, const QString& filter);

    // Where the rows lie in the text that add_group(group, run_time, filter) writes, counted from the
    // model alone: the sections it writes, how many rows, the first row of each device and, for each
    // tests table, the rows [first, end) it holds, all counted from the group's first row.
    struct GroupRows {
        int sections = 0;
        int count = 0;
        std::vector<int> device_starts;
        std::vector<std::pair<int, int>> tests_tables;
    };
    static GroupRows rows_of(const LogGroup& group, std::uint64_t run_time, const QString& filter);
    // Appends the piece of add_group's text that holds the group's rows [first, end): with the text
    // before the first row when `first` is 0, with the text after the last row when `end` is past it.
    // A piece may begin or end only at the first row of a device (with the text before it), or inside
    // a tests table, between two of its rows: there it opens or closes that table (and the indent
    // around it) itself. So pieces set one after the other read as the whole text, and their tables
    // line up as the one table does. The rows' alternation goes on from this builder's row count as
    // though the piece were all it had written since.
    // `key_widths`, when given, is key_widths(group, run_time, filter), computed once for every piece.
    void add_group_rows(const LogGroup& group, std::uint64_t run_time, const QString& filter, int first,
                        int end, const std::vector<int>* key_widths = nullptr);
    // The width in pixels that add_group gives the key column of each tests table of the group, in the
    // order of rows_of's tests_tables: that of the table's widest key in the application's font, bold.
    // Each piece of a table is a table of its own; with this width its columns stay where the whole
    // table's are. Empty without a GUI application (no font to measure with): the column then fits
    // its keys.
    std::vector<int> key_widths(const LogGroup& group, std::uint64_t run_time, const QString& filter) const;

    // A table row; the colour "#FFFFFF" asks for the alternating background.
    void add_row(const std::string& key, const std::string& value, const std::string& colour);
    void add_device_header(const std::string& name, const std::string& code);
    void add_title(const std::string& title, const QString& date);
    void add_title(const std::string& title, const std::string& date);
    void add_error(const std::string& text);
    void open_table();
    void close_table();
    void open_indent(const std::string& pixels);
    void close_indent();
    void add_breaks(int n);
    void add_list_row(const std::string& label, const std::vector<std::string>& items);

    // Writes the text as Latin-1; does nothing when the file cannot be opened.
    void save(const QString& path) const;
    QString html() const { return html_; }
    // The text built so far; the builder starts an empty one, and its row count goes on. A counter's
    // text is always empty.
    QString take_html();
    // Rows written so far, counting the `rows_before` of the constructor.
    int rows() const { return rows_; }
    // Characters of the text built (or counted) since the start or the last take_html().
    qsizetype length() const { return counting_ ? counted_ : html_.size(); }

private:
    // Every character goes through these: appended, or only counted by a counter.
    void put(QLatin1String text);
    void put(QStringView text);
    // The text with the four characters that would be markup written as entities, as
    // QString::toHtmlEscaped writes them.
    void put_escaped(QStringView text);
    void put_escaped(const std::string& text);
    template <class View> void put_escaped_view(View text);

    // Appends add_group's text for a group known to be there; `trace` writes the filter comparison.
    void add_selected(const LogGroup& group, std::uint64_t run_time, const QString& filter, bool trace);
    // Outside the piece that add_group_rows writes: the row under way, and the text before it, are
    // left out (only counted as rows).
    bool skipping() const { return piece_ && (rows_ < piece_first_ || rows_ >= piece_end_); }

    QString date_text(std::int64_t time, QLocale::FormatType format) const;
    // translate_log_code and the short date of a row, remembered for this builder's life.
    const std::string& code_text(const std::string& code) const;
    const std::string& row_time(std::int64_t time) const;
    std::string message_text(const LogMessage& message) const;
    void add_device(const LogDevice& device, bool broken);
    // The rows add_device writes for `device`.
    static int rows_of(const LogDevice& device);
    // key_widths' width for the tests table of `device`.
    int key_width(const LogDevice& device, const QFontMetricsF& metrics) const;
    void add_message_rows(const std::vector<LogMessage>& messages);
    // Counts the row under way without writing it when it lies outside the piece being written.
    bool skip_row();

    QString html_{""};
    bool counting_ = false;
    qsizetype counted_ = 0;
    int rows_ = 0; // shared by every row this builder writes, so alternation runs on across tables
    // While add_group_rows writes a piece: the row counts at which its rows begin and end.
    bool piece_ = false;
    int piece_first_ = 0;
    int piece_end_ = 0;
    // The key column widths of the group being written, and the tests table under way.
    std::vector<int> key_widths_;
    std::size_t tests_table_ = 0;
    std::string key_width_ = "0%";
    // The default locale: the system's, unless another is set as the default for the dates.
    QLocale locale_;
    mutable std::unordered_map<std::string, std::string> codes_;
    mutable std::unordered_map<std::int64_t, std::string> row_times_;
    mutable std::unordered_map<std::string, qreal> key_advances_;
};
