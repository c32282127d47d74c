#pragma once
// The screen that shows the log of the run just made: the bound module's sections of the newest run.
#include "past_log_search.h"
#include "ui_log_frame.h"
#include "view_busy_cursor.h"

#include <QFrame>
#include <QString>

#include <cstdint>
#include <memory>

class GUIManager;
class LogRunPager;
class PastLogRuns;
class QHideEvent;
class QKeyEvent;

class GUILogScreen : public QFrame {
    Q_OBJECT
public:
    // A run of at most this many characters of HTML goes into the view as one text; a longer one is
    // shown a piece at a time.
    static constexpr std::int64_t default_text_limit = 1 << 18;

    explicit GUILogScreen(GUIManager* manager, std::int64_t whole_text_limit = default_text_limit);
    ~GUILogScreen() override;
    // Reads the whole log anew and shows the sections of `module` in the newest run, provided that
    // run started at `run_time`; otherwise a message saying why nothing is shown. The log is read on
    // a thread of its own: the view is empty, with the busy cursor over it, until the text comes.
    void show_log(QString module, std::uint64_t run_time);
    // The log is being read; its text is not in the view yet.
    bool reading() const;
    LogRunPager* pager() const { return run_pager; }

signals:
    // The text of the last show_log (or the first pieces of a long run) is in the view.
    void log_shown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private slots:
    void first_runs_shown();

private:
    // What the read under way has found.
    void read_progress(PastLogSearch::Step step);
    // Gives up the read under way and the run it found.
    void give_up();

    Ui_log_frame ui;
    GUIManager* manager;
    const std::int64_t text_limit;
    LogRunPager* run_pager; // belongs to the view
    ViewBusyCursor busy;
    std::unique_ptr<PastLogSearch::Job> job;
    std::shared_ptr<PastLogRuns> shown_runs; // what the pager shows
};
