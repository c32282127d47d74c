// The HTML of the log views: the exact markup, the row alternation, what the filter selects, the
// translation of log codes and the escaping of the modules' texts.
#include "log_html.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTextDocument>
#include <QTranslator>

#include <algorithm>
#include <limits>
#include <map>

namespace {

// The worked example of a log: one run of STORAGE with one disk, one partition and one failed test.
LogGroup example_group() {
    LogGroup group;
    group.group = 1796811300;
    LogSubsystem& storage = group.subsystems["STORAGE"];
    storage.name = "STORAGE";
    LogDevice& disk = storage.devices["0"];
    disk.display_name = "Disk 0";
    disk.unique_code = "0-1-0";
    disk.properties.push_back({"MODEL", "ABC 123"});
    disk.resources["PARTITION"][0].push_back({"SIZE", "100 GB"});
    LogTest scan;
    scan.name = "SURFACE_SCAN";
    scan.start = 1796811305;
    scan.stop = 1796811321;
    scan.time_spent = 16;
    scan.result = "FAILURE";
    scan.messages.push_back({1796811320, "ERROR", "BAD_SECTOR_FOUND", {"12", "3"}});
    disk.tests.push_back(scan);
    return group;
}

QString render(const LogGroup& group, std::uint64_t run_time = 0, const QString& filter = "ALL") {
    LogHtml html;
    EXPECT_TRUE(html.add_group(&group, run_time, filter));
    return html.html();
}

QStringList captures(const QString& html, const QString& pattern) {
    QStringList found;
    auto it = QRegularExpression(pattern).globalMatch(html);
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}

QStringList backgrounds(const QString& html) {
    return captures(html, R"re(<tr style="background-color: ([^"]*)">)re");
}

QStringList row_keys(const QString& html) {
    return captures(html, R"re(<td border="0" width="[^"]*"><b>(.*?)</b></td>)re");
}

QStringList row_values(const QString& html) {
    return captures(html, R"re(<td border="0" width="100%">(.*?)</td></tr>)re");
}

TEST(LogHtml, CodeToToken) {
    const std::map<QString, QString> cases = {
        {"ALL_PASSED", "AllPassed"},
        {"START TESTS", "Start tests"},
        {"RESOURCES:", "Resources:"},
        {"TYPE", "Type"},
        {"X_RAY_TEST", "RayTest"},
        {"X", ""},
        {"A_B", ""},
        {"__AB__CD_", "AbCd"},
        {"", ""},
        {"surface_SCAN", "SurfaceScan"},
        {"12", "12"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(log_code_to_token(c.first), c.second) << c.first.toStdString();
}

TEST(LogHtml, TranslateLogCodeWithoutTranslatorGivesTheToken) {
    EXPECT_EQ(translate_log_code("BAD_SECTOR_FOUND"), "BadSectorFound");
    EXPECT_EQ(translate_log_code("3"), "");
    EXPECT_EQ(translate_log_code("CAF\xC9_AU_LAIT"), "Caf\xE9"
                                                     "AuLait")
        << "Latin-1 letters survive the lookup";
}

TEST(LogHtml, ExampleGroupIsExactlyThisMarkup) {
    const QString html = render(example_group());
    // The tests table's keys are as wide as the widest of them in the application's font: a width in
    // pixels that depends on that font.
    const QStringList widths = captures(html, R"re(<td border="0" width="(\d+)"><b>Start tests)re");
    ASSERT_EQ(widths.size(), 1);
    const QString row = R"(<tr style="background-color: %1"><td border="0" width="0%"><b>%2</b></td>)"
                        R"(<td border="0" width="100%">%3</td></tr>)";
    const QString tests_row = QString(row).replace(R"(width="0%")", QString(R"(width="%1")").arg(widths[0]));
    const QString table = R"(<table rules="none" cellspacing="0" cellpadding="10">)";
    const QString indent = R"(<blockquote style="margin: 0px 0px 0px 5px">)";
    QString expected =
        R"(<table><tr><td width="100%"><h1>Storage</h1></td><td width="0%"><h1 nowrap="nowrap">)"
        "Wednesday, 9 December 2026 10:15:00 UTC</h1></td></tr></table>"
        R"(<table cellspacing="0" cellpadding="10">)"
        R"(<tr style="background: url(log_device_header_bg.png); background-repeat: repeat-x; background-position: center;">)"
        R"(<td width="100%" height="0%"><b>Disk 0</b></td>)"
        "<td width=\"0%\"\t height=\"0%\"  nowrap=\"nowrap\" style=\"background: #333333\">"
        R"(<div style="color: #FFFFFF" ><b>ResultCode: 0-1-0</b></div></td></tr></table><br>)";
    expected += indent + table + row.arg("#D4D4D4", "Model", "ABC 123") +
                row.arg("#FFFFFF", "Resources:", "") + "</table>";
    expected += indent + table + row.arg("#D4D4D4", "Type", "Partition") +
                row.arg("#FFFFFF", "Size", "100 GB") + "</table></blockquote>";
    expected += table + tests_row.arg("#D4D4D4", "Start tests", "") +
                tests_row.arg("#FFFFFF", "9 Dec 2026 10:15:05", "SurfaceScan") +
                tests_row.arg("#D4D4D4", "9 Dec 2026 10:15:20", "Error BadSectorFound 12  ") +
                tests_row.arg("#f88585", "9 Dec 2026 10:15:21", "SurfaceScan Failure 16 s") +
                tests_row.arg("#D4D4D4", "Stop tests", "") + "</table></blockquote><br><br><br>";
    EXPECT_EQ(html.toStdString(), expected.toStdString());
}

TEST(LogHtml, RowBackgroundsAlternateAcrossColouredRowsAndGroups) {
    LogGroup group;
    group.group = 1;
    LogSubsystem& s = group.subsystems["S"];
    s.name = "S";
    LogDevice& d = s.devices["0"];
    d.messages.push_back({1, "MESSAGE", "IDLE", {}});
    for (const char* result : {"SUCCESS", "FAILURE", "ABORTED", "NOT SUPPORTED", "PASSED", ""}) {
        LogTest test;
        test.name = "T";
        test.result = result;
        d.tests.push_back(test);
    }
    d.tests[0].messages.push_back({2, "MESSAGE", "BUSY", {}});

    LogHtml html;
    html.add_group(&group, 0, "ALL");
    const QStringList expected = {
        "#D4D4D4",                       // Resources:
        "#FFFFFF",                       // Start tests
        "#D4D4D4",                       // the device's message
        "#FFFFFF", "#D4D4D4", "#b6f89f", // start, message and stop of the test that passed
        "#D4D4D4", "#f88585",            // the coloured row above counted: this start is even again
        "#D4D4D4", "#ffda89", "#D4D4D4",
        "#b5b5b5", "#D4D4D4", "", // an unknown result has no colour of its own
        "#D4D4D4", "",
        "#D4D4D4", // Stop tests: seventeen rows so far
    };
    EXPECT_EQ(backgrounds(html.html()), expected);

    html.add_group(&group, 0, "ALL");
    EXPECT_EQ(backgrounds(html.html()).mid(expected.size(), 2), QStringList({"#FFFFFF", "#D4D4D4"}))
        << "the counter runs on into the next group";
}

// A long result is shown a few runs at a time: each run rendered on its own, after the rows of the
// runs before it, reads exactly as in one text of all of them.
TEST(LogHtml, RunRenderedOnItsOwnReadsAsInTheWholeText) {
    std::vector<LogGroup> groups;
    for (int extra_rows : {0, 1, 2, 3, 0}) {
        LogGroup group = example_group();
        for (int i = 0; i < extra_rows; ++i)
            group.subsystems["STORAGE"].devices["0"].properties.push_back({"NOTE", std::to_string(i)});
        groups.push_back(group);
    }
    LogHtml whole;
    for (const LogGroup& g : groups)
        whole.add_group(&g, 0, "ALL");

    QString pieces;
    QString taken;
    std::int64_t rows_before = 0;
    LogHtml one_builder;
    for (const LogGroup& g : groups) {
        LogHtml alone{int(rows_before)};
        alone.add_group(&g, 0, "ALL");
        rows_before = alone.rows();
        pieces += alone.html();
        // One builder whose text is taken run by run goes on the same way.
        one_builder.add_group(&g, 0, "ALL");
        taken += one_builder.take_html();
        EXPECT_TRUE(one_builder.html().isEmpty());
        EXPECT_FALSE(one_builder.html().isNull());
    }
    EXPECT_EQ(pieces, whole.html());
    EXPECT_EQ(taken, whole.html());
    EXPECT_EQ(one_builder.rows(), whole.rows());
}

TEST(LogHtml, ColourArgumentOtherThanWhiteIsUsedAsGiven) {
    LogHtml html;
    html.add_row("a", "b", "#ffffff");
    html.add_row("a", "b", "");
    html.add_row("a", "b", "#FFFFFF");
    EXPECT_EQ(backgrounds(html.html()), QStringList({"#ffffff", "", "#D4D4D4"}));
}

TEST(LogHtml, DeviceWithNothingLoggedStillGetsItsTables) {
    LogGroup group;
    group.group = 7;
    LogSubsystem& s = group.subsystems["S"];
    s.name = "S";
    s.devices["0"];
    const QString html = render(group);
    EXPECT_EQ(row_keys(html), QStringList({"Resources:", "Start tests", "Stop tests"}));
    EXPECT_TRUE(html.contains(R"(<td width="100%" height="0%"><b></b></td>)")) << "no display name";
    EXPECT_TRUE(html.contains(R"(<b>ResultCode: </b>)")) << "no result code";
    EXPECT_TRUE(
        html.contains(R"(<blockquote style="margin: 0px 0px 0px 5px">)"
                      R"(<table rules="none" cellspacing="0" cellpadding="10"></table></blockquote>)"))
        << "the empty resource table";
}

TEST(LogHtml, BrokenSubsystemShowsItsNoteAfterEveryDevice) {
    const QString note =
        "<table><tr><td width=\"100%\"><font color='red'><p><strong>LogBroken</strong></p></font>"
        "</td></table>";
    LogGroup group = example_group();
    LogSubsystem& storage = group.subsystems["STORAGE"];
    storage.broken = true;
    storage.devices["1"].display_name = "Disk 1";
    QString html = render(group);
    EXPECT_EQ(html.count(note), 2);
    EXPECT_TRUE(html.endsWith("</blockquote><table rules=\"none\" cellspacing=\"0\" cellpadding=\"10\">" +
                              note + "</table><br><br><br>"));

    LogGroup empty;
    empty.group = 1796811300;
    empty.subsystems["MEMORY"].name = "MEMORY";
    empty.subsystems["MEMORY"].broken = true;
    html = render(empty);
    EXPECT_FALSE(html.contains("LogBroken"));
    EXPECT_TRUE(html.startsWith("<table><tr><td width=\"100%\"><h1>Memory</h1>"));
    EXPECT_TRUE(html.endsWith("</h1></td></tr></table>")) << "a title and nothing else";
}

QStringList debug_lines;
void keep_debug_line(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg)
        debug_lines << text;
}

struct FilterCase {
    const char* filter;
    std::uint64_t run_time;
    QStringList titles;
};

TEST(LogHtml, FilterSelectsAllOrOneModuleOfOneRun) {
    LogGroup group;
    group.group = 1796811300;
    for (const char* name : {"STORAGE", "MEMORY"})
        group.subsystems[name].name = name;
    const std::vector<FilterCase> cases = {
        {"ALL", 0, {"Storage", "Memory"}},
        {"all", 12345, {"Storage", "Memory"}},
        {"storage", 1796811300, {"Storage"}},
        {"STORAGE", 1796811300, {"Storage"}},
        {"Memory", 1796811300, {"Memory"}},
        {"storage", 1796811301, {}},
        {"storage", 0, {}},
        {"", 1796811300, {}},
        {"ALL_", 0, {}},
    };
    for (const auto& c : cases) {
        const QString html = render(group, c.run_time, c.filter);
        EXPECT_EQ(captures(html, "<h1>([^<]*)</h1>"), c.titles) << c.filter << " " << c.run_time;
    }

    // The filter and each name go to the debug output, upper-cased and quoted, one line each.
    debug_lines.clear();
    QtMessageHandler previous = qInstallMessageHandler(keep_debug_line);
    render(group, 0, "storage");
    qInstallMessageHandler(previous);
    EXPECT_EQ(debug_lines, QStringList({"\"STORAGE\"", "\"STORAGE\"", "\"STORAGE\"", "\"MEMORY\""}));
}

TEST(LogHtml, NullGroupGivesFalseAndNothing) {
    LogHtml html;
    EXPECT_FALSE(html.add_group(nullptr, 0, "ALL"));
    EXPECT_TRUE(html.html().isEmpty());
    EXPECT_FALSE(html.html().isNull());
    LogGroup nothing;
    EXPECT_TRUE(html.add_group(&nothing, 0, "ALL"));
    EXPECT_TRUE(html.html().isEmpty());
}

TEST(LogHtml, DatesComeFromTheLowThirtyTwoBitsOfTheTime) {
    LogGroup group;
    group.subsystems["S"].name = "S";
    for (const auto& c : std::vector<std::pair<std::int64_t, QString>>{
             {(std::int64_t(1) << 32) + 5, "Thursday, 1 January 1970 00:00:05 UTC"},
             {-1, "Sunday, 7 February 2106 06:28:15 UTC"}}) {
        group.group = c.first;
        EXPECT_EQ(captures(render(group), "<h1 nowrap=\"nowrap\">([^<]*)</h1>"), QStringList(c.second));
    }
}

TEST(LogHtml, ModuleTextsAreEscapedAndShownLiterally) {
    LogGroup group = example_group();
    LogDevice& disk = group.subsystems["STORAGE"].devices["0"];
    disk.display_name = "<b>Disk</b> & \"0\"";
    disk.unique_code = "0-1-<0>";
    disk.properties[0].second = "</td></tr></table><h1>x";
    disk.tests[0].messages[0].params = {"A<B&C"};
    LogHtml html;
    html.add_group(&group, 0, "ALL");
    html.add_list_row("<i>", {"&amp;", "x>y"});
    const QString text = html.html();
    EXPECT_TRUE(text.contains("<b>&lt;b&gt;Disk&lt;/b&gt; &amp; &quot;0&quot;</b>"));
    EXPECT_TRUE(text.contains("ResultCode: 0-1-&lt;0&gt;</b>"));
    EXPECT_EQ(text.count("<h1>"), 1) << "a value must not open markup";
    EXPECT_TRUE(text.contains("<tr><td>&lt;i&gt;</td><td>&amp;amp;  x&gt;y  </td></tr>"));

    QTextDocument document;
    document.setHtml(text);
    const QString shown = document.toPlainText();
    for (const char* literal : {"<b>Disk</b> & \"0\"", "0-1-<0>", "</td></tr></table><h1>x", "A<b&c"})
        EXPECT_TRUE(shown.contains(literal)) << literal;
}

// Translates a few tokens; one translation holds a letter outside Latin-1.
class FakeTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        static const std::map<QString, QString> words = {
            {"Storage", "Speicher"},
            {"Model", "Modell"},
            {"ResultCode", "Ergebniscode \u2713"},
            {"Failure", "Fehler \u2713"},
            {"LogBroken", "Protokoll defekt"},
            {"Start tests", "Tests beginnen"},
        };
        if (QString(context) != "Translations")
            return {};
        auto found = words.find(QString::fromUtf8(source));
        return found == words.end() ? QString() : found->second;
    }
};

TEST(LogHtml, InstalledTranslatorTranslatesTheCodes) {
    FakeTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    LogGroup group = example_group();
    group.subsystems["STORAGE"].broken = true;
    const QString html = render(group);
    QCoreApplication::removeTranslator(&translator);

    EXPECT_EQ(translate_log_code("MODEL"), "Model") << "removed again";
    EXPECT_TRUE(html.contains("<h1>Speicher</h1>"));
    EXPECT_EQ(row_keys(html).mid(0, 1), QStringList("Modell"));
    EXPECT_TRUE(row_keys(html).contains("Tests beginnen"));
    EXPECT_TRUE(html.contains("<b>Ergebniscode \u2713: 0-1-0</b>")) << "the label is not narrowed to Latin-1";
    EXPECT_TRUE(row_values(html).contains("SurfaceScan Fehler ? 16 s")) << "a code's translation is";
    EXPECT_TRUE(html.contains("<strong>Protokoll defekt</strong>"));
}

// What the fixtures above render: the example, every kind of result, markup in the module's texts, a
// broken section with two devices and one without devices, a device with nothing logged, a run
// without sections.
std::vector<LogGroup> fixture_groups() {
    std::vector<LogGroup> groups(7, example_group());
    LogDevice& results = groups[1].subsystems["STORAGE"].devices["0"];
    for (const char* result : {"SUCCESS", "ABORTED", "NOT SUPPORTED", "PASSED", ""}) {
        LogTest test;
        test.name = "T";
        test.result = result;
        test.time_spent = 0.125;
        results.tests.push_back(test);
    }
    results.messages.push_back({1, "WARNING", "HOT", {"7", "X_Y"}});
    LogDevice& markup = groups[2].subsystems["STORAGE"].devices["0"];
    markup.display_name = "<b>Disk</b> & \"0\"";
    markup.unique_code = "0-1-<0>";
    markup.properties[0].second = "</td></tr></table><h1>x";
    markup.resources["A&B"][3].push_back({"\"Q\"", "<>"});
    markup.tests[0].messages[0].params = {"A<B&C"};
    groups[3].subsystems["STORAGE"].broken = true;
    groups[3].subsystems["STORAGE"].devices["1"].display_name = "Disk 1";
    groups[3].subsystems["MEMORY"].name = "MEMORY";
    groups[3].subsystems["MEMORY"].broken = true;
    groups[4].subsystems["STORAGE"].devices["2"];
    groups[5] = LogGroup();
    groups[6].group = -1;
    return groups;
}

// A long result's index learns each run's length and rows from a counter, which writes no text: they
// must be what the text written holds, whatever the run, the filter, the rows before it and the
// translations.
TEST(LogHtml, CounterGivesTheLengthAndRowsOfTheWrittenText) {
    const struct {
        const char* filter;
        std::uint64_t run_time;
    } filters[] = {{"ALL", 0}, {"storage", 1796811300}, {"storage", 0}};
    FakeTranslator translator;
    for (bool translated : {false, true}) {
        if (translated) {
            ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
        }
        const std::vector<LogGroup> groups = fixture_groups();
        for (std::size_t g = 0; g < groups.size(); ++g) {
            for (const auto& f : filters) {
                for (int rows_before : {0, 1}) {
                    SCOPED_TRACE(testing::Message()
                                 << "group " << g << ", filter " << f.filter << " " << f.run_time
                                 << ", rows before " << rows_before << (translated ? ", translated" : ""));
                    LogHtml text(rows_before);
                    text.add_group(&groups[g], f.run_time, f.filter);
                    LogHtml counted = LogHtml::counter(rows_before);
                    counted.add_group(&groups[g], f.run_time, f.filter);
                    EXPECT_EQ(counted.length(), text.html().size());
                    EXPECT_EQ(counted.rows(), text.rows());
                    EXPECT_TRUE(counted.html().isEmpty());
                }
            }
        }

        // One builder for many runs, each taken on its own, and the builder's other pieces.
        LogHtml text;
        LogHtml counted = LogHtml::counter();
        for (const LogGroup& group : groups) {
            for (LogHtml* html : {&text, &counted}) {
                html->add_group(&group, 0, "ALL");
                html->add_group(&group, 0, "ALL");
            }
            const qsizetype length = text.html().size();
            EXPECT_EQ(text.length(), length);
            EXPECT_EQ(counted.length(), length);
            text.take_html();
            counted.take_html();
            EXPECT_EQ(counted.length(), 0) << "taken";
        }
        for (LogHtml* html : {&text, &counted}) {
            html->add_title("T&", std::string("<date>"));
            html->add_list_row("<i>", {"&amp;", "x>y", ""});
            html->add_row("k", "v", "<bad colour>");
            html->add_error("\"e\"");
            html->add_breaks(2);
        }
        EXPECT_EQ(counted.length(), text.html().size());
        EXPECT_EQ(counted.rows(), text.rows());
        if (translated)
            QCoreApplication::removeTranslator(&translator);
    }
}

// A run of many records is shown in pieces cut between its devices and between rows of its tests
// tables. Set one after the other they are the whole text but for the table that each cut inside a
// table closes and opens again, and each piece's rows, and their backgrounds, go on from the rows
// before it. Cuts at the first and the last places a table allows, everywhere in between, and between
// the devices; runs of several devices and sections, with device messages, tests with and without
// messages, a coloured stop row and a broken section, under both filters; whatever the rows before the
// first piece.
TEST(LogHtml, PiecesOfAGroupReadAsItsWholeText) {
    LogGroup group = fixture_groups()[3]; // STORAGE broken, with two disks; MEMORY broken, no devices
    LogDevice& disk = group.subsystems["STORAGE"].devices["0"];
    for (int i = 0; i < 5; ++i)
        disk.messages.push_back({1796811301 + i, "MESSAGE", "READY", {std::to_string(i)}});
    LogTest quiet;
    quiet.name = "IDLE";
    quiet.result = "SUCCESS";
    disk.tests.push_back(quiet);
    for (int i = 0; i < 9; ++i)
        disk.tests[0].messages.push_back(
            {1796811322 + i, "WARNING", "BAD_SECTOR", {std::to_string(1000 + i)}});
    group.subsystems["STORAGE"].devices["1"].tests.push_back(disk.tests[0]);
    const QString cut = QStringLiteral("</table></blockquote><blockquote style=\"margin: 0px 0px 0px 5px\">"
                                       "<table rules=\"none\" cellspacing=\"0\" cellpadding=\"10\">");
    const struct {
        const char* filter;
        std::uint64_t run_time;
    } filters[] = {{"ALL", 0}, {"storage", 1796811300}};
    for (const auto& f : filters) {
        const LogHtml::GroupRows rows = LogHtml::rows_of(group, f.run_time, f.filter);
        for (int rows_before : {0, 3}) {
            LogHtml whole(rows_before);
            whole.add_group(&group, f.run_time, f.filter);
            ASSERT_EQ(rows.count, whole.rows() - rows_before) << f.filter;
            EXPECT_EQ(rows.sections, f.run_time == 0 ? 2 : 1);
            ASSERT_EQ(rows.tests_tables.size(), 2u);
            const QStringList keys = row_keys(whole.html());
            std::vector<std::vector<int>> cut_sets;
            for (const auto& table : rows.tests_tables) {
                EXPECT_EQ(keys[table.first], "Start tests");
                EXPECT_EQ(keys[table.second - 1], "Stop tests");
                cut_sets.push_back({table.first + 1});
                cut_sets.push_back({table.second - 1});
                std::vector<int> every;
                for (int row = table.first + 1; row < table.second; ++row)
                    every.push_back(row);
                cut_sets.push_back(every);
            }
            cut_sets.push_back({rows.tests_tables[0].second - 2, rows.tests_tables[1].first + 1});
            // Between the devices, alone and with cuts in the tables on either side.
            ASSERT_EQ(rows.device_starts.size(), 2u);
            EXPECT_EQ(rows.device_starts[0], 0);
            EXPECT_EQ(rows.device_starts[1], rows.tests_tables[0].second);
            EXPECT_EQ(keys[rows.device_starts[1]], "Resources:"); // the second disk has no properties
            cut_sets.push_back({rows.device_starts[1]});
            cut_sets.push_back(
                {rows.tests_tables[0].second - 1, rows.device_starts[1], rows.tests_tables[1].first + 1});
            for (const std::vector<int>& cuts : cut_sets) {
                SCOPED_TRACE(testing::Message() << f.filter << ", " << rows_before << " rows before, "
                                                << cuts.size() << " cuts from " << cuts.front());
                QString pieces;
                LogHtml counted = LogHtml::counter(rows_before);
                int rows_so_far = rows_before;
                int first = 0;
                for (std::size_t k = 0; k <= cuts.size(); ++k) {
                    const int end = k < cuts.size() ? cuts[k] : std::numeric_limits<int>::max();
                    LogHtml piece(rows_so_far);
                    piece.add_group_rows(group, f.run_time, f.filter, first, end);
                    const int written = piece.rows() - rows_so_far;
                    EXPECT_EQ(written, std::min(end, rows.count) - first);
                    counted.add_group_rows(group, f.run_time, f.filter, first, end);
                    EXPECT_EQ(counted.length(), piece.html().size());
                    EXPECT_EQ(counted.rows(), piece.rows());
                    counted.take_html();
                    // Each piece stands on its own: what it opens it closes.
                    EXPECT_EQ(piece.html().count("<table"), piece.html().count("</table>")) << "piece " << k;
                    EXPECT_EQ(piece.html().count("<blockquote"), piece.html().count("</blockquote>"))
                        << "piece " << k;
                    pieces += piece.html();
                    rows_so_far = piece.rows();
                    first = end;
                }
                EXPECT_EQ(rows_so_far, whole.rows());
                const auto in_a_table = [&rows](int row) {
                    return std::any_of(rows.tests_tables.begin(), rows.tests_tables.end(),
                                       [row](const auto& t) { return t.first < row && row < t.second; });
                };
                EXPECT_EQ(pieces.count(cut), std::count_if(cuts.begin(), cuts.end(), in_a_table));
                EXPECT_EQ(QString(pieces).remove(cut), whole.html());
            }
        }
    }
}

TEST(LogHtml, SaveWritesLatin1AndIgnoresAnUnwritablePath) {
    const QString dir = zvk_test::fresh_dir("save");
    LogHtml html;
    html.add_row("CAF\xC9", "x", "");
    html.save(dir + "/log.html");
    const std::string bytes = zvk_test::read_file(dir + "/log.html");
    EXPECT_EQ(QString::fromLatin1(bytes.data(), qsizetype(bytes.size())), html.html());
    EXPECT_NE(bytes.find("<b>CAF\xC9</b>"), std::string::npos) << "one byte per character";

    html.save(dir + "/missing/folder/log.html");
    EXPECT_FALSE(QFile::exists(dir + "/missing/folder/log.html"));
}

} // namespace
