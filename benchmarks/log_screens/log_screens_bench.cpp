// The two log screens on large logs, as a user meets them: in a real X server (an Xvfb of its own),
// with real pointer and key input, until the window is idle again (Qt's layout of the text included).
//   log_screens_bench [runs ...] [--dense] [--show-log MB] [--cap S] [--one-day DAYS RUNS]
//                     [--no-one-day | --only-one-day] [--one-run RECORDS ...] [--only-one-run]
// Defaults: 1000 5000 35000 runs as the standard test module logs them (--dense: runs of 2.3 KB),
// a 100 MB log for the log screen, one day of 100 days of 360 runs, at most 120 s of waiting per step.
// 0. Past logs, one day of many: one day searched in a log of DAYS days of RUNS runs each; the
//    resident memory before the search, with the day shown, and after the page is left.
// 1. Past logs over a log of `runs` runs, all of them in the chosen days: from the click on Search,
//    the time until the first runs are in the view and until the window is idle, the longest pause
//    and the 99th percentile of pauses of the event loop; then the same while the user drags the
//    scroll bar to the end, turns the wheel and presses Page Up and Page Down; the peak resident
//    memory of both.
// 2. The log screen's show_log on a log of `MB` MB whose newest run is the one shown.
// 3. One run of RECORDS records (50,000 and 200,000 by default; a failing disk's bad sectors inside one
//    test), in both views: Past logs searched for its day, and View logs; the longest pause, the peak
//    memory and what stays resident while the run is shown, then the same scrolling as in 1.
// A pause is the time between two turns of a 5 ms timer on the window's thread. The parser's trace on
// standard output goes to /dev/null; the figures go to standard error.
//
// Figures on the 8-core build machine (2026-12-10, release build, standard-format runs): before the
// long results were paged, with the whole result as one document in the view, and now.
//                                    first runs   longest pause   99th pct.   peak memory
//   1,000 runs (1.5 MB)    before        104 ms          350 ms      256 ms        326 MB
//                          now            23 ms           17 ms       14 ms         48 MB
//   5,000 runs (7.5 MB)    before        520 ms          521 ms      280 ms        856 MB
//                          now            89 ms           17 ms       17 ms         65 MB
//   35,000 runs (52.8 MB)  before       2757 ms         2757 ms  (not idle after 240 s)  4517 MB
//                          now           462 ms           17 ms       13 ms        192 MB
//   scrolling 35,000 runs  before  the last run not reached; longest pause 54 s, 99th pct. 1.9 s, 5.2 GB
//                          now     longest pause 15 ms, 99th pct. 14 ms, 192 MB
//   show_log, 100 MB log   before        742 ms          742 ms       21 ms        665 MB
//                          now           763 ms           25 ms       11 ms        391 MB
// (show_log: the time until the run is in the view; the log is read off the window's thread now.)
//
// 2026-12-11, the same machine with other builds running (load 1.5 to 2.5), before / after a long
// result kept only its runs and its index counted them without rendering:
//   one day of 100 days of 360 runs (54.3 MB): kept while the day is shown 121.9 / 2.9 MB (2.35 / 0.06
//     times the log); longest pause 24.4 / 23.5 ms, 99th pct. 13.4 / 14.4 ms, peak 164 / 161 MB
//   35,000 runs, search: longest pause 29.5 / 22.6 ms, 99th pct. 11.3 / 11.0 ms, peak 189 / 184 MB
//   35,000 runs, scrolling: longest pause 15.1 / 15.1 ms, 99th pct. 14.5 / 14.5 ms
//   show_log, 100 MB log: longest pause 31.4 / 29.8 ms, 99th pct. 14.1 / 11.8 ms, peak 391 / 388 MB
// A search's longest pause came as its first runs went into the view. On an idle machine the same
// day, with the runs' index counted on one thread (seven only waited for each other on the C library's
// time-zone lock: 2.7 s against 1.8 s for 35,000 runs, and the window's thread waited on it too) and the
// pager's first showing split into two turns of the event loop; the whole benchmark once, 35,000 runs
// alone three times more:
//   one day of 100: 2.6 MB kept (0.05 times the log); longest pause 18.5 ms, 99th pct. 11.4 ms, 161 MB
//   1,000 runs, search: longest pause 16.7 ms, 99th pct. 15.5 ms, 47 MB; scrolling 15.0 / 14.5 ms
//   5,000 runs, search: longest pause 14.3 ms, 99th pct. 13.8 ms, 64 MB; scrolling 15.1 / 14.4 ms
//   35,000 runs, search: first runs 633 ms, longest pause 13.2 ms (13.3 to 18.8 in other runs), 99th
//     pct. 11.5 ms, 187 MB, idle after 4.1 s (5.1 to 5.3 s before); scrolling 15.0 / 14.4 ms
//   show_log, 100 MB log: the run in the view after 1701 ms, longest pause 29.1 ms, 99th pct. 11.0 ms,
//     384 MB (the build before these changes: 29.0 to 29.5 ms, 391 MB)
//
// 2026-12-11, one run of many records (3.), before / after the run was shown in pieces of about 100
// rows in both views; both builds run one after the other on the same machine, other builds running
// beside them (load 4 to 7). Longest pause of the search or show_log, peak memory of the process,
// resident memory kept while the run is shown, longest pause while scrolling:
//   Past logs, 50,000 records (2.4 MB)    5253 ms, 330 MB, 289 MB kept, 17.5 ms
//                                     /   19.1 ms,  71 MB,  15 MB kept, 18.6 ms (first records 276 ms)
//   View logs, 50,000 records             9551 ms, 319 MB, 258 MB kept, 18.3 ms
//                                     /   16.1 ms,  77 MB,  21 MB kept, 14.8 ms (first records 423 ms)
//   Past logs, 200,000 records (9.4 MB)  24003 ms, 1202 MB, 830 MB kept, 39.6 ms
//                                     /   14.9 ms, 182 MB,  53 MB kept, 18.1 ms (first records 1049 ms)
//   View logs, 200,000 records           51253 ms, 1168 MB, 1055 MB kept, 41.4 ms
//                                     /   16.0 ms, 183 MB,  28 MB kept, 20.6 ms (first records 1433 ms)
// Once more after runs of many devices were cut too (load 5.5): longest pauses 25.6 / 29.2 ms, 42.9 /
// 18.7 ms, 30.0 / 16.6 ms and 26.0 / 19.1 ms (search or show_log / scrolling, in the order above), the
// same memory.
// (Peak memory counts what the process held before; after the change that was 42 to 107 MB.) With the
// machine loaded more (load 12 to 25, this change's own builds beside it) the longest pauses of these
// cases were 21 to 129 ms with pieces of 100 rows (99th percentile up to 60 ms) and 29 to 139 ms with
// pieces of 200 rows; before the change, at load 25 to 44, the window froze 7.7 s, 14.0 s, 26.7 s and
// 39.3 s. The other cases of this benchmark stayed as before (35,000 runs: longest pause 23.0 ms
// searching, 21.4 ms scrolling; the 100 MB log's show_log 50.0 ms at that load).
// Once more after every tests table got one key column width for all its pieces, on an idle machine
// (load 0.5): longest pauses 17.2 / 18.4 ms, 34.2 / 14.6 ms, 11.8 / 14.5 ms and 13.3 / 14.7 ms; peak
// memory 74, 78, 172 and 174 MB; 18, 25, 66 and 30 MB kept. The first records come later, since the
// widths are measured from every record's time before the first piece is written: 481, 447, 1816 and
// 1643 ms.
#include "bench_log_writer.h"
#include "gui_log_screen.h"
#include "gui_manager.h"
#include "x_input.h"
#include "x_server.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<zvk_test::XPointer> pointer;
std::unique_ptr<zvk_test::XKeyboard> keyboard;
int cap_ms = 120000;

// Peak and present resident memory of this process, in MB (Linux's VmHWM and VmRSS).
double memory_mb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::string(field).size()) / 1024.0;
    }
    return -1;
}

// The peak starts again from the present size.
void reset_peak_memory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double cpu_ms() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The gaps between the turns of a 5 ms timer on the window's thread, and the CPU time of all of the
// process's threads, which tells when work in the background has ended too.
class PauseWatch {
public:
    PauseWatch() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const double now = elapsed();
            gaps.push_back(now - last);
            if (now - last > 25)
                last_busy = now;
            last = now;
            // Busy while the process uses more than a tenth of one core.
            if (now - cpu_sampled >= 250) {
                const double cpu = cpu_ms();
                if (cpu - cpu_at_sample > 0.1 * (now - cpu_sampled))
                    last_busy = now;
                cpu_sampled = now;
                cpu_at_sample = cpu;
            }
            if (on_tick)
                on_tick(now);
        });
    }
    void start() {
        gaps.clear();
        clock.start();
        last = last_busy = cpu_sampled = 0;
        cpu_at_sample = cpu_ms();
        timer.start();
    }
    void stop() { timer.stop(); }
    double elapsed() const { return double(clock.nsecsElapsed()) / 1e6; }
    // Runs the event loop until the window has answered every 5 ms and the process has been all but
    // idle for 1.5 s (true), or until `cap_ms` from the start.
    bool wait_idle() {
        while (elapsed() < cap_ms) {
            QTest::qWait(20);
            const double now = elapsed();
            if (now - last < 30 && now - last_busy > 1500)
                return true;
        }
        return false;
    }
    // The longest gap, the one still open included.
    double longest() const {
        const double open = elapsed() - last;
        return gaps.empty() ? open : std::max(open, *std::max_element(gaps.begin(), gaps.end()));
    }
    double percentile(double p) const {
        if (gaps.empty())
            return 0;
        std::vector<double> sorted = gaps;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, std::size_t(p * double(sorted.size())))];
    }
    std::function<void(double)> on_tick;

private:
    QTimer timer;
    QElapsedTimer clock;
    double last = 0;
    double last_busy = 0;
    double cpu_sampled = 0;
    double cpu_at_sample = 0;
    std::vector<double> gaps;
};

void report(const char* what, PauseWatch& watch, bool idle) {
    std::fprintf(stderr,
                 "    %-34s %s after %8.0f ms; pauses: longest %7.1f ms, 99th percentile %6.1f ms; peak "
                 "memory %6.0f MB\n",
                 what, idle ? "idle" : "NOT idle", watch.elapsed(), watch.longest(), watch.percentile(0.99),
                 memory_mb("VmHWM:"));
}

QPoint centre_of(QWidget* w) {
    return w->mapToGlobal(w->rect().center());
}

// Moves the pointer in steps as a hand does, letting the window follow each one.
void glide(QPoint from, QPoint to, int steps) {
    for (int i = 1; i <= steps; ++i) {
        pointer->move_to(from.x() + (to.x() - from.x()) * i / steps,
                         from.y() + (to.y() - from.y()) * i / steps);
        QTest::qWait(16);
    }
}

// The view's vertical scroll bar that the user sees.
QScrollBar* shown_scroll_bar(QTextEdit* view) {
    for (QScrollBar* bar : view->findChildren<QScrollBar*>()) {
        if (bar->orientation() == Qt::Vertical && bar->isVisible())
            return bar;
    }
    return nullptr;
}

// Drags the handle of the scroll bar from where it is to the far end of its groove.
void drag_to_end(QScrollBar* bar) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    const QRect handle =
        bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    const QPoint from = bar->mapToGlobal(handle.center());
    const QPoint to = bar->mapToGlobal(QPoint(handle.center().x(), bar->height() + 40));
    pointer->move_to(from.x(), from.y());
    QTest::qWait(30);
    pointer->press();
    glide(from, to, 40);
    pointer->release();
}

// Whether the bottom of the view shows the part of the text that follows the title with `title`.
bool view_shows_end_after(QTextEdit* view, const QString& title) {
    const QTextCursor bottom = view->cursorForPosition(QPoint(10, view->viewport()->height() - 10));
    const QTextCursor found = view->document()->find(title, bottom.position(), QTextDocument::FindBackward);
    return !found.isNull();
}

// `runs` runs `spacing` seconds apart from `first` on, each as the standard test module logs a run of
// its three disks (1.46 KB a run; 35,936 of them are the 52 MB that users met), or with `dense` two
// disks of four tests with messages (2.3 KB a run). Returns the bytes written.
std::uint64_t write_runs_from(const std::string& path, std::int64_t first, int runs, std::int64_t spacing,
                              bool dense) {
    bench_log::Writer w(path);
    for (int run = 0; run < runs; ++run) {
        const std::int64_t key = first + std::int64_t(run) * spacing;
        w.set_now(key);
        if (dense) {
            w.line("+++ " + bench_log::stamp(key) + " STORAGE " + std::to_string(key));
            for (int d = 0; d < 2; ++d)
                bench_log::write_device(w, std::to_string(d), "Disk " + std::to_string(d), 4, 2);
            w.line("--- STORAGE");
            continue;
        }
        w.line("+++ " + bench_log::stamp(key) + " StandardModule " + std::to_string(key));
        static const char* const disks[][3] = {
            {"DEVICE_0", "HardDisk 0", "TM-HD-100"},
            {"DEVICE_1_WITH_AN_IDENTIFIER_LONGER_THAN_A_SHORT_STRING", "HardDisk 1", "TM-HD-200"},
            {"DEVICE_2", "SolidStateDisk 2", "TM-SSD-300"}};
        for (const auto& disk : disks) {
            w.line(std::string("UID: ") + disk[0]);
            w.line(std::string("DISPLAYNAME: ") + disk[1]);
            w.line(std::string("MODEL: ") + disk[2]);
            w.line(">>> RESOURCE PARTITION");
            w.line("INDEX: 0");
            w.line("SIZE: 100 GB");
            w.line("<<< RESOURCE");
            w.line("START TESTS");
            w.record("MESSAGE DEVICE_SELECTED 7");
            for (const char* test : {"READ_TEST", "WRITE_TEST", "VERIFY_TEST"}) {
                w.record(std::string("START ") + test);
                w.record(std::string("STOP ") + test + " SUCCESS 0.201");
            }
            w.line("STOP TESTS 3-0-0-0-0");
        }
        w.line("--- StandardModule");
    }
    w.close();
    std::fprintf(stderr, "  log of %d runs: %.1f MB, %llu lines\n", runs, double(w.bytes()) / 1e6,
                 static_cast<unsigned long long>(w.lines()));
    return w.bytes();
}

// `runs` runs an hour apart, the last an hour ago.
std::int64_t write_runs(const std::string& path, int runs, bool dense, std::int64_t* last_key) {
    const std::int64_t last = std::int64_t(std::time(nullptr)) / 3600 * 3600 - 3600;
    const std::int64_t first = last - std::int64_t(runs - 1) * 3600;
    write_runs_from(path, first, runs, 3600, dense);
    *last_key = last;
    return first;
}

// Runs of two modules (STORAGE and MEMORY) until the log holds `megabytes` MB; the newest key.
std::int64_t write_megabytes(const std::string& path, double megabytes) {
    bench_log::Writer w(path);
    std::int64_t key = 1796811300;
    for (std::int64_t run = 0; double(w.bytes()) < megabytes * 1e6; ++run) {
        key = 1796811300 + run * 3600;
        w.line("+++ " + bench_log::stamp(w.now()) + " STORAGE " + std::to_string(key));
        for (int d = 0; d < 3; ++d)
            bench_log::write_device(w, std::to_string(d), "Disk " + std::to_string(d), 5, 12);
        w.line("--- STORAGE");
        w.line("+++ " + bench_log::stamp(w.now()) + " MEMORY " + std::to_string(key));
        bench_log::write_device(w, "DIMM0", "DIMM 0", 3, 30);
        w.line("--- MEMORY");
    }
    w.close();
    std::fprintf(stderr, "  log of %.1f MB, %llu lines\n", double(w.bytes()) / 1e6,
                 static_cast<unsigned long long>(w.lines()));
    return key;
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

struct Shown {
    double first_text_ms; // from the start of `act` until the view held text; -1 if it never did
    bool idle;
};

// Starts `watch` afresh (peak memory too), does `act` and waits until the window is idle again.
Shown until_idle(PauseWatch& watch, QTextEdit* view, const std::function<void()>& act) {
    double shown = -1;
    watch.on_tick = [&](double now) {
        if (shown < 0 && !view->document()->isEmpty())
            shown = now;
    };
    reset_peak_memory();
    watch.start();
    act();
    const bool idle = watch.wait_idle();
    watch.stop();
    watch.on_tick = nullptr;
    return {shown, idle};
}

// Scrolling, as a hand does it: the scroll bar dragged to the end, Page Up, the wheel, Page Down;
// whether the bottom of the view then shows the part of the text after `end_text`.
void scroll_through(QTextEdit* view, const QString& end_text) {
    PauseWatch watch;
    watch.start();
    QScrollBar* bar = shown_scroll_bar(view);
    if (!bar) {
        std::fprintf(stderr, "    no scroll bar shown\n");
        return;
    }
    drag_to_end(bar);
    bool shows_end = false;
    if (watch.wait_idle())
        shows_end = view_shows_end_after(view, end_text);
    const QPoint middle = centre_of(view->viewport());
    pointer->click(middle.x(), middle.y()); // the view takes the keys
    for (int i = 0; i < 30; ++i) {
        keyboard->tap("Prior");
        QTest::qWait(30);
    }
    for (int i = 0; i < 60; ++i) {
        pointer->press(5);
        pointer->release(5);
        QTest::qWait(15);
    }
    for (int i = 0; i < 30; ++i) {
        keyboard->tap("Next");
        QTest::qWait(30);
    }
    const bool idle = watch.wait_idle();
    watch.stop();
    std::fprintf(stderr, "    after the drag the view shows the end: %s\n", shows_end ? "yes" : "NO");
    report("scrolling:", watch, idle);
}

void past_logs(GUIManager& window, const std::string& path, int runs, bool dense) {
    std::int64_t last_key = 0;
    const std::int64_t first = write_runs(path, runs, dense, &last_key);
    QPushButton* past = window.findChild<QPushButton*>("past_logs_pushButton");
    pointer->click(centre_of(past).x(), centre_of(past).y());
    QTest::qWait(200);
    QWidget* page = window.findChild<QWidget*>("log_selection_Frame");
    QTextEdit* view = page->findChild<QTextEdit*>("html_log_textEdit");
    QPushButton* search = page->findChild<QPushButton*>("search_pushButton");
    page->findChild<QDateEdit*>("from_dateEdit")->setDate(QDateTime::fromSecsSinceEpoch(first).date());
    QTest::qWait(100);

    PauseWatch watch;
    const Shown found =
        until_idle(watch, view, [&] { pointer->click(centre_of(search).x(), centre_of(search).y()); });
    std::fprintf(stderr, "    first runs in the view %.0f ms after the click on Search\n",
                 found.first_text_ms);
    report("search:", watch, found.idle);

    scroll_through(view,
                   QLocale::system().toString(QDateTime::fromSecsSinceEpoch(last_key), QLocale::LongFormat));
}

// One day of many: a log of `days` days of `per_day` runs each (100 days of 360 runs: 36,000 runs,
// 52 MB), one day in the middle searched. What stays in memory while that day is shown, against the
// memory before the search; and after the page is left again.
void one_day_of_many(GUIManager& window, const std::string& path, int days, int per_day) {
    const QDate today = QDate::currentDate();
    const QDate first_day = today.addDays(-days);
    const QDate chosen = first_day.addDays(days / 2);
    const std::int64_t first = first_day.startOfDay().toSecsSinceEpoch();
    const double bytes = double(write_runs_from(path, first, days * per_day, 86400 / per_day, false));
    QPushButton* past = window.findChild<QPushButton*>("past_logs_pushButton");
    pointer->click(centre_of(past).x(), centre_of(past).y());
    QTest::qWait(200);
    QWidget* page = window.findChild<QWidget*>("log_selection_Frame");
    QTextEdit* view = page->findChild<QTextEdit*>("html_log_textEdit");
    QPushButton* search = page->findChild<QPushButton*>("search_pushButton");
    page->findChild<QDateEdit*>("from_dateEdit")->setDate(chosen);
    page->findChild<QDateEdit*>("to_dateEdit")->setDate(chosen);
    QTest::qWait(500);
    const double before = memory_mb("VmRSS:");

    PauseWatch watch;
    const Shown found =
        until_idle(watch, view, [&] { pointer->click(centre_of(search).x(), centre_of(search).y()); });
    const double shown = memory_mb("VmRSS:");
    std::fprintf(stderr, "    day %s: first runs in the view %.0f ms after the click on Search\n",
                 chosen.toString(Qt::ISODate).toUtf8().constData(), found.first_text_ms);
    report("search:", watch, found.idle);
    std::fprintf(stderr,
                 "    resident memory: %.0f MB before the search, %.0f MB with the day shown: %.1f MB kept "
                 "(%.2f times the log file; at most 0.5 wanted)\n",
                 before, shown, shown - before, (shown - before) * 1024 * 1024 / bytes);
    keyboard->tap("Escape");
    QTest::qWait(2000);
    std::fprintf(stderr, "    resident memory 2 s after leaving the page: %.0f MB\n", memory_mb("VmRSS:"));
}

// One run of `records` records: a module that logs every bad sector of a failing disk, inside one
// test of one device. The run's key, an hour ago.
std::int64_t write_one_run(const std::string& path, int records) {
    const std::int64_t key = std::int64_t(std::time(nullptr)) / 3600 * 3600 - 3600;
    bench_log::Writer w(path);
    w.set_now(key);
    w.line("+++ " + bench_log::stamp(key) + " STORAGE " + std::to_string(key));
    w.line("UID: DISK0");
    w.line("DISPLAYNAME: Failing disk");
    w.line("MODEL: WDC WD10EZEX-08WN4A0");
    w.line(">>> RESOURCE PARTITION");
    w.line("INDEX: 0");
    w.line("SIZE: 1000 GB");
    w.line("<<< RESOURCE");
    w.line("START TESTS");
    w.record("START SURFACE_SCAN");
    for (int r = 0; r < records - 2; ++r)
        w.record("WARNING BAD_SECTOR " + std::to_string(1000003 + 17 * r));
    w.record("STOP SURFACE_SCAN FAILURE 3600.5");
    w.line("STOP TESTS 0-1-DISK0");
    w.line("--- STORAGE");
    w.close();
    std::fprintf(stderr, "  log of one run of %d records: %.1f MB\n", records, double(w.bytes()) / 1e6);
    return key;
}

// The end of a run: its last row's key, as the renderer writes it without a translation.
const QString run_end_text = QStringLiteral("Stop tests");

void report_kept(double before) {
    const double shown = memory_mb("VmRSS:");
    std::fprintf(stderr, "    resident memory: %.0f MB before, %.0f MB with the run shown: %.0f MB kept\n",
                 before, shown, shown - before);
}

// Past logs, the day of one run of `records` records.
void one_run_past_logs(GUIManager& window, const std::string& path, int records) {
    const std::int64_t key = write_one_run(path, records);
    QPushButton* past = window.findChild<QPushButton*>("past_logs_pushButton");
    pointer->click(centre_of(past).x(), centre_of(past).y());
    QTest::qWait(200);
    QWidget* page = window.findChild<QWidget*>("log_selection_Frame");
    QTextEdit* view = page->findChild<QTextEdit*>("html_log_textEdit");
    QPushButton* search = page->findChild<QPushButton*>("search_pushButton");
    page->findChild<QDateEdit*>("from_dateEdit")->setDate(QDateTime::fromSecsSinceEpoch(key).date());
    QTest::qWait(500);
    const double before = memory_mb("VmRSS:");
    PauseWatch watch;
    const Shown found =
        until_idle(watch, view, [&] { pointer->click(centre_of(search).x(), centre_of(search).y()); });
    std::fprintf(stderr, "    the run's first records in the view %.0f ms after the click on Search\n",
                 found.first_text_ms);
    report("search:", watch, found.idle);
    report_kept(before);
    scroll_through(view, run_end_text);
}

// View logs of the run `key` in a screen of its own: show_log timed; with `end_text`, also the memory
// kept while the run is shown and a scroll through it to that text.
void time_show_log(GUIManager& manager, std::int64_t key, const QString* end_text) {
    GUILogScreen screen(&manager);
    screen.resize(800, 600);
    screen.move(40, 40);
    screen.show();
    if (!QTest::qWaitForWindowExposed(&screen))
        return;
    QTextEdit* view = screen.findChild<QTextEdit*>("html_log_textEdit");
    view->clear();
    QTest::qWait(500);
    const double before = memory_mb("VmRSS:");
    PauseWatch watch;
    const Shown shown = until_idle(watch, view, [&] { screen.show_log("STORAGE", std::uint64_t(key)); });
    std::fprintf(stderr, "    the run in the view %.0f ms after show_log\n", shown.first_text_ms);
    report("show_log:", watch, shown.idle);
    if (!end_text)
        return;
    report_kept(before);
    scroll_through(view, *end_text);
}

// View logs: show_log of one run of `records` records, the run just made.
void one_run_show_log(GUIManager& manager, const std::string& path, int records) {
    time_show_log(manager, write_one_run(path, records), &run_end_text);
}

void show_log(GUIManager& manager, const std::string& path, double megabytes) {
    time_show_log(manager, write_megabytes(path, megabytes), nullptr);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> runs;
    std::vector<int> one_run_records;
    double megabytes = 100;
    bool dense = false;
    bool one_day = true;
    bool only_one_day = false;
    bool only_one_run = false;
    int days = 100;
    int per_day = 360;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--one-day" && i + 2 < argc) {
            days = std::atoi(argv[++i]);
            per_day = std::atoi(argv[++i]);
        } else if (arg == "--only-one-day")
            only_one_day = true;
        else if (arg == "--no-one-day")
            one_day = false;
        else if (arg == "--show-log" && i + 1 < argc)
            megabytes = std::atof(argv[++i]);
        else if (arg == "--one-run" && i + 1 < argc)
            one_run_records.push_back(std::atoi(argv[++i]));
        else if (arg == "--only-one-run")
            only_one_run = true;
        else if (arg == "--dense")
            dense = true;
        else if (arg == "--cap" && i + 1 < argc)
            cap_ms = std::atoi(argv[++i]) * 1000;
        else
            runs.push_back(std::atoi(arg.c_str()));
    }
    if (one_run_records.empty())
        one_run_records = {50000, 200000};
    if (only_one_run) {
        one_day = false;
        only_one_day = true; // nothing else either
    }
    if (runs.empty() && !only_one_day)
        runs = {1000, 5000, 35000};

    zvk_test::XServer server(1280, 1024);
    if (!server.running()) {
        std::fprintf(stderr, "no X server: %s\n", server.failure().c_str());
        return 1;
    }
    qputenv("DISPLAY", server.display().c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    pointer.reset(new zvk_test::XPointer(server.display()));
    keyboard.reset(new zvk_test::XKeyboard(server.display()));
    // The parser traces every line to standard output: keep it out of the way.
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    ::close(null);

    QApplication app(argc, argv);
    std::string drive;
    const std::string path = bench_log::make_drive(drive);
    // The window scans its working folder for modules: the drive's folder holds none.
    QDir::setCurrent(QString::fromStdString(drive));
    // The renderer writes two debug lines per section; keep them out of the figures.
    qInstallMessageHandler(quiet);
    {
        GUIManager window;
        window.move(0, 0);
        window.resize(1024, 768);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        if (one_day) {
            std::fprintf(stderr, "past logs, one day of %d days of %d runs:\n", days, per_day);
            one_day_of_many(window, path, days, per_day);
        }
        for (int count : runs) {
            std::fprintf(stderr, "past logs, %d runs:\n", count);
            past_logs(window, path, count, dense);
            // Back to the main screen, as the user leaves the page.
            keyboard->tap("Escape");
            QTest::qWait(300);
        }
        if (!only_one_day) {
            std::fprintf(stderr, "log screen, show_log of the newest run:\n");
            show_log(window, path, megabytes);
        }
        if (!only_one_day || only_one_run) {
            for (int records : one_run_records) {
                std::fprintf(stderr, "past logs, one run of %d records:\n", records);
                one_run_past_logs(window, path, records);
                keyboard->tap("Escape");
                QTest::qWait(300);
                std::fprintf(stderr, "log screen, show_log of one run of %d records:\n", records);
                one_run_show_log(window, path, records);
            }
        }
    }
    bench_log::remove_drive(drive, path);
    pointer.reset();
    keyboard.reset();
    return 0;
}
