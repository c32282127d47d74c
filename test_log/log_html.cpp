#include "log_html.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string to_latin1(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// Module texts are text, never markup: a "<" in a device name must not open a tag.
QLatin1String entity_of(char16_t c) {
    switch (c) {
    case u'<':
        return QLatin1String("&lt;");
    case u'>':
        return QLatin1String("&gt;");
    case u'&':
        return QLatin1String("&amp;");
    case u'"':
        return QLatin1String("&quot;");
    default:
        return QLatin1String();
    }
}

const char* const alternation_colour = "#FFFFFF";
// The cellpadding of open_table, on either side of a cell's text.
constexpr int cell_padding = 10;

std::string stop_colour(const std::string& result) {
    if (result == "SUCCESS")
        return "#b6f89f";
    if (result == "FAILURE")
        return "#f88585";
    if (result == "ABORTED")
        return "#ffda89";
    if (result == "NOT SUPPORTED")
        return "#b5b5b5";
    return "";
}

} // namespace

QString log_code_to_token(const QString& code) {
    QString token;
    for (const QString& part : code.split(QLatin1Char('_'))) {
        if (part.size() > 1)
            token += part.left(1).toUpper() + part.mid(1).toLower();
    }
    return token;
}

std::string translate_log_code(const std::string& code) {
    // The token goes in as UTF-8, so that without a translation it comes back unchanged, even when
    // the code holds Latin-1 letters.
    const QByteArray token = log_code_to_token(latin1(code)).toUtf8();
    return to_latin1(QCoreApplication::translate("Translations", token.constData()));
}

LogHtml::LogHtml() : LogHtml(0) {}

LogHtml::LogHtml(int rows_before) : rows_(rows_before) {}

LogHtml LogHtml::counter(int rows_before) {
    LogHtml counting(rows_before);
    counting.counting_ = true;
    return counting;
}

QString LogHtml::take_html() {
    QString taken = std::move(html_);
    html_ = QString("");
    counted_ = 0;
    return taken;
}

void LogHtml::put(QLatin1String text) {
    if (skipping())
        return;
    if (counting_)
        counted_ += text.size();
    else
        html_ += text;
}

void LogHtml::put(QStringView text) {
    if (skipping())
        return;
    if (counting_)
        counted_ += text.size();
    else
        html_ += text;
}

template <class View> void LogHtml::put_escaped_view(View text) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QLatin1String entity = entity_of(char16_t(text[i].unicode()));
        if (entity.isEmpty())
            continue;
        put(text.mid(start, i - start));
        put(entity);
        start = i + 1;
    }
    put(text.mid(start));
}

void LogHtml::put_escaped(QStringView text) {
    put_escaped_view(text);
}

void LogHtml::put_escaped(const std::string& text) {
    put_escaped_view(QLatin1String(text.data(), qsizetype(text.size())));
}

const std::string& LogHtml::code_text(const std::string& code) const {
    // A log repeats a few codes many times over: each is turned into its text once.
    auto found = codes_.find(code);
    if (found == codes_.end())
        found = codes_.emplace(code, translate_log_code(code)).first;
    return found->second;
}

const std::string& LogHtml::row_time(std::int64_t time) const {
    // Records come in bursts that share their second; each second is formatted once.
    auto found = row_times_.find(time);
    if (found == row_times_.end())
        found = row_times_.emplace(time, to_latin1(date_text(time, QLocale::ShortFormat))).first;
    return found->second;
}

QString LogHtml::date_text(std::int64_t time, QLocale::FormatType format) const {
    // Times are shown from their low 32 bits as an unsigned count (valid up to 2106).
    const auto seconds = static_cast<std::uint32_t>(static_cast<std::uint64_t>(time));
    return locale_.toString(QDateTime::fromSecsSinceEpoch(qint64(seconds)), format);
}

std::string LogHtml::message_text(const LogMessage& message) const {
    std::string text = code_text(message.tag) + " " + code_text(message.token) + " ";
    for (const std::string& param : message.params)
        text += code_text(param) + " ";
    return text;
}

namespace {

// add_group's choice of a group's subsystems: "ALL" (any case) all of them, any other filter the
// subsystem of that name (any case) of the run that started at `run_time`.
bool selects(const QString& wanted, const LogGroup& group, const LogSubsystem& subsystem,
             std::uint64_t run_time, bool trace) {
    const QString name = latin1(subsystem.name).toUpper();
    if (trace) {
        qDebug() << wanted;
        qDebug() << name;
    }
    return wanted == QLatin1String("ALL") ||
           (wanted == name && run_time == static_cast<std::uint64_t>(group.group));
}

} // namespace

bool LogHtml::add_group(const LogGroup* group, std::uint64_t run_time, const QString& filter) {
    if (!group)
        return false;
    key_widths_ = key_widths(*group, run_time, filter);
    add_selected(*group, run_time, filter, true);
    return true;
}

void LogHtml::add_selected(const LogGroup& group, std::uint64_t run_time, const QString& filter, bool trace) {
    const QString wanted = filter.toUpper();
    tests_table_ = 0;
    for (const auto& entry : group.subsystems) {
        const LogSubsystem& subsystem = entry.second;
        if (!selects(wanted, group, subsystem, run_time, trace))
            continue;
        if (!skipping())
            add_title(code_text(subsystem.name), date_text(group.group, QLocale::LongFormat));
        for (const auto& device : subsystem.devices) {
            // Devices wholly outside the piece under way are only counted: a run of many devices is
            // written in the time of the piece's own.
            if (piece_) {
                const int rows = rows_of(device.second);
                if (rows_ + rows < piece_first_ || rows_ >= piece_end_) {
                    rows_ += rows;
                    ++tests_table_;
                    continue;
                }
            }
            add_device(device.second, subsystem.broken);
        }
    }
}

int LogHtml::rows_of(const LogDevice& device) {
    // Row for row as add_device writes them.
    int rows = int(device.properties.size()) + 1;
    for (const auto& resource : device.resources) {
        ++rows;
        for (const auto& instance : resource.second)
            rows += int(instance.second.size());
    }
    rows += 2 + int(device.messages.size());
    for (const LogTest& test : device.tests)
        rows += 2 + int(test.messages.size());
    return rows;
}

LogHtml::GroupRows LogHtml::rows_of(const LogGroup& group, std::uint64_t run_time, const QString& filter) {
    GroupRows rows;
    int row = 0;
    const QString wanted = filter.toUpper();
    for (const auto& entry : group.subsystems) {
        if (!selects(wanted, group, entry.second, run_time, false))
            continue;
        ++rows.sections;
        for (const auto& named : entry.second.devices) {
            const LogDevice& device = named.second;
            rows.device_starts.push_back(row);
            row += rows_of(device);
            // The tests table ends the device's rows; it holds the rows of its tests and messages, and
            // the two that open and close it.
            int tests = 2 + int(device.messages.size());
            for (const LogTest& test : device.tests)
                tests += 2 + int(test.messages.size());
            rows.tests_tables.emplace_back(row - tests, row);
        }
    }
    rows.count = row;
    return rows;
}

std::vector<int> LogHtml::key_widths(const LogGroup& group, std::uint64_t run_time,
                                     const QString& filter) const {
    std::vector<int> widths;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return widths;
    QFont font = QGuiApplication::font();
    font.setBold(true);
    const QFontMetricsF metrics(font);
    const QString wanted = filter.toUpper();
    for (const auto& entry : group.subsystems) {
        if (!selects(wanted, group, entry.second, run_time, false))
            continue;
        for (const auto& device : entry.second.devices)
            widths.push_back(key_width(device.second, metrics));
    }
    return widths;
}

int LogHtml::key_width(const LogDevice& device, const QFontMetricsF& metrics) const {
    qreal widest = 0;
    const auto measure = [&](const std::string& key) {
        auto found = key_advances_.find(key);
        if (found == key_advances_.end())
            found = key_advances_.emplace(key, metrics.horizontalAdvance(latin1(key))).first;
        widest = std::max(widest, found->second);
    };
    measure(code_text("START TESTS"));
    measure(code_text("STOP TESTS"));
    for (const LogMessage& message : device.messages)
        measure(row_time(message.time));
    for (const LogTest& test : device.tests) {
        measure(row_time(test.start));
        for (const LogMessage& message : test.messages)
            measure(row_time(message.time));
        measure(row_time(test.stop));
    }
    // A pixel more on either side than the text needs: the layout may round a fraction up where the
    // measure did not, and a column narrower than its text would be widened to fit it again.
    return int(std::ceil(widest)) + 2 * (cell_padding + 1);
}

void LogHtml::add_group_rows(const LogGroup& group, std::uint64_t run_time, const QString& filter, int first,
                             int end, const std::vector<int>* key_widths_given) {
    key_widths_ = key_widths_given ? *key_widths_given : key_widths(group, run_time, filter);
    const GroupRows rows = rows_of(group, run_time, filter);
    const auto inside_a_table = [&rows](int row) {
        for (const auto& table : rows.tests_tables) {
            if (table.first < row && row < table.second)
                return true;
        }
        return false;
    };
    const bool cut_at_end = end < rows.count;
    const int before = rows_;
    // Row `first` of the group is counted as the row after those this builder wrote before.
    rows_ = before - first;
    piece_first_ = before;
    piece_end_ = cut_at_end ? before + (end - first) : std::numeric_limits<int>::max();
    if (inside_a_table(first)) {
        open_indent("5");
        open_table();
    }
    piece_ = true;
    add_selected(group, run_time, filter, false);
    piece_ = false;
    if (cut_at_end && inside_a_table(end)) {
        close_table();
        close_indent();
    }
    rows_ = before + std::max(0, std::min(end, rows.count) - std::max(first, 0));
}

void LogHtml::add_message_rows(const std::vector<LogMessage>& messages) {
    // Only the rows of the piece are made: a piece of a run of a hundred thousand records is written
    // in the time of its own few hundred.
    std::size_t i = 0;
    const std::size_t n = messages.size();
    if (piece_ && rows_ < piece_first_) {
        i = std::min(n, std::size_t(piece_first_ - rows_));
        rows_ += int(i);
    }
    for (; i < n; ++i) {
        if (piece_ && rows_ >= piece_end_) {
            rows_ += int(n - i);
            return;
        }
        add_row(row_time(messages[i].time), message_text(messages[i]), alternation_colour);
    }
}

bool LogHtml::skip_row() {
    if (!skipping())
        return false;
    ++rows_;
    return true;
}

void LogHtml::add_device(const LogDevice& device, bool broken) {
    if (!skipping())
        add_device_header(device.display_name, device.unique_code);

    open_indent("5");
    open_table();
    for (const LogProperty& property : device.properties)
        add_row(code_text(property.first), property.second, alternation_colour);
    add_row(code_text("RESOURCES:"), "", alternation_colour);
    close_table();

    open_indent("5");
    open_table();
    for (const auto& resource : device.resources) {
        add_row(code_text("TYPE"), code_text(resource.first), alternation_colour);
        for (const auto& instance : resource.second) {
            for (const LogProperty& property : instance.second)
                add_row(code_text(property.first), property.second, alternation_colour);
        }
    }
    close_table();
    close_indent();

    // The tests table's keys are times of varying width: one width for the whole table, so that its
    // pieces line up.
    if (tests_table_ < key_widths_.size())
        key_width_ = std::to_string(key_widths_[tests_table_]);
    open_table();
    add_row(code_text("START TESTS"), "", alternation_colour);
    add_message_rows(device.messages);
    for (const LogTest& test : device.tests) {
        const int test_rows = 2 + int(test.messages.size());
        if (piece_ && (rows_ + test_rows <= piece_first_ || rows_ >= piece_end_)) {
            rows_ += test_rows;
            continue;
        }
        const std::string name = code_text(test.name);
        if (!skip_row())
            add_row(row_time(test.start), name, alternation_colour);
        add_message_rows(test.messages);
        if (!skip_row()) {
            const std::string stop = name + " " + code_text(test.result) + " " +
                                     to_latin1(QString::number(test.time_spent, 'g', 6)) + " s";
            add_row(row_time(test.stop), stop, stop_colour(test.result));
        }
    }
    add_row(code_text("STOP TESTS"), "", alternation_colour);
    key_width_ = "0%";
    ++tests_table_;
    // What closes the device goes with its last row: a piece that ends with the device holds it.
    --rows_;
    close_table();
    close_indent();

    if (broken) {
        open_table();
        add_error(to_latin1(QCoreApplication::translate("Translations", "LogBroken")));
        close_table();
    }
    add_breaks(3);
    ++rows_;
}

void LogHtml::add_row(const std::string& key, const std::string& value, const std::string& colour) {
    put(QLatin1String("<tr style=\"background-color: "));
    if (colour == alternation_colour)
        put(rows_ % 2 == 0 ? QLatin1String("#D4D4D4") : QLatin1String("#FFFFFF"));
    else
        put_escaped(colour);
    put(QLatin1String("\"><td border=\"0\" width=\""));
    put(QLatin1String(key_width_.data(), qsizetype(key_width_.size())));
    put(QLatin1String("\"><b>"));
    put_escaped(key);
    put(QLatin1String("</b></td><td border=\"0\" width=\"100%\">"));
    put_escaped(value);
    put(QLatin1String("</td></tr>"));
    ++rows_;
}

void LogHtml::add_device_header(const std::string& name, const std::string& code) {
    put(QLatin1String("<table cellspacing=\"0\" cellpadding=\"10\">"
                      "<tr style=\"background: url(log_device_header_bg.png); background-repeat: repeat-x; "
                      "background-position: center;\">"
                      "<td width=\"100%\" height=\"0%\"><b>"));
    put_escaped(name);
    put(QLatin1String("</b></td>"
                      "<td width=\"0%\"\t height=\"0%\"  nowrap=\"nowrap\" style=\"background: #333333\">"
                      "<div style=\"color: #FFFFFF\" ><b>"));
    put_escaped(QCoreApplication::translate("Translations", "ResultCode"));
    put(QLatin1String(": "));
    put_escaped(code);
    put(QLatin1String("</b></div></td></tr></table><br>"));
}

void LogHtml::add_title(const std::string& title, const QString& date) {
    put(QLatin1String("<table><tr><td width=\"100%\"><h1>"));
    put_escaped(title);
    put(QLatin1String("</h1></td><td width=\"0%\"><h1 nowrap=\"nowrap\">"));
    put_escaped(date);
    put(QLatin1String("</h1></td></tr></table>"));
}

void LogHtml::add_title(const std::string& title, const std::string& date) {
    add_title(title, latin1(date));
}

void LogHtml::add_error(const std::string& text) {
    // The row stays open: the table's end closes it.
    put(QLatin1String("<table><tr><td width=\"100%\"><font color='red'><p><strong>"));
    put_escaped(text);
    put(QLatin1String("</strong></p></font></td></table>"));
}

void LogHtml::open_table() {
    put(QLatin1String("<table rules=\"none\" cellspacing=\"0\" cellpadding=\"10\">"));
}

void LogHtml::close_table() {
    put(QLatin1String("</table>"));
}

void LogHtml::open_indent(const std::string& pixels) {
    put(QLatin1String("<blockquote style=\"margin: 0px 0px 0px "));
    put_escaped(pixels);
    put(QLatin1String("px\">"));
}

void LogHtml::close_indent() {
    put(QLatin1String("</blockquote>"));
}

void LogHtml::add_breaks(int n) {
    for (int i = 0; i < n; ++i)
        put(QLatin1String("<br>"));
}

void LogHtml::add_list_row(const std::string& label, const std::vector<std::string>& items) {
    put(QLatin1String("<tr><td>"));
    put_escaped(label);
    put(QLatin1String("</td><td>"));
    for (const std::string& item : items) {
        put_escaped(item);
        put(QLatin1String("  "));
    }
    put(QLatin1String("</td></tr>"));
}

void LogHtml::save(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    file.write(html_.toLatin1());
}
