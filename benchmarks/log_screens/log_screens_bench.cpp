// The two log screens on large logs, from the user's action to the text in the view:
//   log_screens_bench [runs] [megabytes]   (defaults 5000 and 100; on the offscreen platform unless
//   QT_QPA_PLATFORM says otherwise)
// 1. The log selection search over a log of `runs` runs, all of them in the chosen days: the click
//    on Search, and the same work stage by stage (parse, render, QTextEdit::setText), then the first
//    paint of the view and the time until the view holds the whole text.
// 2. The log screen's show_log on a log of `megabytes` MB whose newest run is the run shown.
// The parser's trace goes to /dev/null while a stage runs. Times are wall-clock; the CPU time of the
// process is given beside them, since the machine may be shared.
#include "bench_log_writer.h"
#include "gui_log_screen.h"
#include "gui_log_selection_screen.h"
#include "gui_manager.h"
#include "log_html.h"
#include "log_reader.h"
#include "log_view_loader.h"

#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

namespace {

double cpu_ms() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Runs `work` with standard output going to /dev/null; prints its wall and CPU time.
double stage(const char* name, const std::function<void()>& work) {
    std::fflush(stdout);
    const int saved = dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpu_ms();
    work();
    std::fflush(stdout);
    const double wall = double(timer.nsecsElapsed()) / 1e6;
    const double used = cpu_ms() - cpu;
    dup2(saved, 1);
    ::close(null);
    ::close(saved);
    std::printf("  %-44s %9.1f ms (CPU %9.1f ms)\n", name, wall, used);
    std::fflush(stdout);
    return wall;
}

// `runs` runs an hour apart, the last an hour ago: one section each, two disks of four tests.
std::int64_t write_runs(const std::string& path, int runs) {
    const std::int64_t last = std::int64_t(std::time(nullptr)) / 3600 * 3600 - 3600;
    const std::int64_t first = last - std::int64_t(runs - 1) * 3600;
    bench_log::Writer w(path);
    for (int run = 0; run < runs; ++run) {
        const std::int64_t key = first + std::int64_t(run) * 3600;
        w.set_now(key);
        w.line("+++ " + bench_log::stamp(key) + " STORAGE " + std::to_string(key));
        for (int d = 0; d < 2; ++d)
            bench_log::write_device(w, std::to_string(d), "Disk " + std::to_string(d), 4, 2);
        w.line("--- STORAGE");
    }
    w.close();
    std::printf("log of %d runs: %.1f MB, %llu lines\n", runs, double(w.bytes()) / 1e6,
                static_cast<unsigned long long>(w.lines()));
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
    std::printf("log of %.1f MB, %llu lines\n", double(w.bytes()) / 1e6,
                static_cast<unsigned long long>(w.lines()));
    return key;
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

void search_bench(GUIManager& manager, const std::string& path, int runs) {
    const std::int64_t first = write_runs(path, runs);
    GUILogSelectionScreen screen(&manager);
    screen.resize(800, 600);
    screen.show();
    screen.reset();
    screen.findChild<QDateEdit*>("from_dateEdit")->setDate(QDateTime::fromSecsSinceEpoch(first).date());
    QTextEdit* view = screen.findChild<QTextEdit*>("html_log_textEdit");
    QPushButton* search = screen.findChild<QPushButton*>("search_pushButton");

    std::printf("log selection search, %d runs:\n", runs);
    LogReader reader;
    LogHtml html;
    QString text;
    stage("parse (LogReader open and parse)", [&] {
        reader.open();
        reader.parse();
    });
    stage("render (LogHtml, every run)", [&] {
        reader.set_interval(first, INT64_MAX);
        while (html.add_group(reader.next_group(), 0, "ALL")) {
        }
        text = html.html();
    });
    std::printf("  HTML: %lld characters (%.1f MB as UTF-16)\n", static_cast<long long>(text.size()),
                double(text.size()) * 2 / 1e6);
    {
        QTextEdit plain;
        plain.setLineWrapMode(QTextEdit::NoWrap);
        plain.setReadOnly(true);
        plain.resize(800, 500);
        plain.show();
        stage("QTextEdit::setText of that HTML", [&] { plain.setText(text); });
    }
    view->clear();
    QApplication::processEvents();
    const double click = stage("click on Search: text in the view", [&] { search->click(); });
    const double paint = stage("then the first paint of the view", [&] { view->viewport()->grab(); });
    std::printf("  from the click to the text painted: %.1f ms; the view holds %d characters\n",
                click + paint, view->document()->characterCount());

    // The rest joins in the background while the event loop runs: how long until the view holds the
    // whole text, and the longest the event loop was kept from running meanwhile.
    LogViewLoader* loader = view->findChild<LogViewLoader*>();
    if (!loader || !loader->loading())
        return;
    QElapsedTimer whole;
    whole.start();
    const double cpu = cpu_ms();
    qint64 longest = 0;
    QElapsedTimer since_tick;
    since_tick.start();
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] { longest = std::max(longest, since_tick.restart()); });
    tick.start();
    QEventLoop loop;
    QObject::connect(loader, &LogViewLoader::loaded, &loop, &QEventLoop::quit);
    loop.exec();
    const double whole_ms = double(whole.nsecsElapsed()) / 1e6;
    std::printf("  %-44s %9.1f ms (CPU %9.1f ms, all threads)\n", "then the whole text in the view", whole_ms,
                cpu_ms() - cpu);
    std::printf("  from the click to the whole text: %.1f ms; the view holds %d characters; the event loop "
                "waited at most %lld ms meanwhile\n",
                click + paint + whole_ms, view->document()->characterCount(),
                static_cast<long long>(longest));
}

void show_log_bench(GUIManager& manager, const std::string& path, double megabytes) {
    const std::int64_t key = write_megabytes(path, megabytes);
    GUILogScreen screen(&manager);
    screen.resize(800, 600);
    screen.show();
    std::printf("log screen, show_log of the newest run:\n");
    LogReader reader;
    LogHtml html;
    stage("parse (LogReader open and parse)", [&] {
        reader.open();
        reader.parse();
    });
    stage("render (LogHtml, the newest run)",
          [&] { html.add_group(reader.last_group(), std::uint64_t(key), "STORAGE"); });
    QTextEdit* view = screen.findChild<QTextEdit*>("html_log_textEdit");
    stage("show_log: text in the view", [&] { screen.show_log("STORAGE", std::uint64_t(key)); });
    stage("then the first paint of the view", [&] { view->viewport()->grab(); });
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5000;
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 100;

    std::string drive;
    const std::string path = bench_log::make_drive(drive);
    // The window scans its working folder for modules: the drive's folder holds none.
    QDir::setCurrent(QString::fromStdString(drive));
    // The renderer writes two debug lines per section; keep them out of the figures.
    qInstallMessageHandler(quiet);
    {
        GUIManager manager;
        search_bench(manager, path, runs);
        show_log_bench(manager, path, megabytes);
    }
    bench_log::remove_drive(drive, path);
    return 0;
}
