#pragma once
// The screen that shows every logged run whose start lies in a chosen range of calendar days.
#include "past_log_search.h"
#include "ui_log_selection_Frame.h"
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

class GUILogSelectionScreen : public QFrame {
    Q_OBJECT
public:
    // Results of at most this many characters of HTML go into the view as one text; longer ones are
    // shown a few runs at a time.
    static constexpr std::int64_t default_text_limit = 1 << 18;

    explicit GUILogSelectionScreen(GUIManager* manager, std::int64_t whole_text_limit = default_text_limit);
    ~GUILogSelectionScreen() override;
    // Prepares the page for showing: today to today, Search enabled, no message, an empty view.
    void reset();
    // A search is reading the log; its outcome is not in the view yet.
    bool searching() const;
    LogRunPager* pager() const { return run_pager; }

signals:
    // What a search found (a message, the runs, or the first of many runs) is in the view.
    void logs_shown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private slots:
    void date_changed();
    void update_logs();
    // The first of many runs is in the view.
    void first_runs_shown();

private:
    // What the search under way has found.
    void search_progress(PastLogSearch::Step step);
    // The grey bar with a message; the view stays empty.
    void show_status(const QString& message);
    // Gives up the search under way and what it found; the view is emptied.
    void give_up();

    Ui_log_selection_Frame ui;
    GUIManager* manager;
    const std::int64_t text_limit;
    LogRunPager* run_pager; // belongs to the view
    ViewBusyCursor busy;
    std::unique_ptr<PastLogSearch::Job> search;
    std::shared_ptr<PastLogRuns> shown_runs; // what the pager shows
};
