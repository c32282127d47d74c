#pragma once
// Shows a long list of runs in a rich-text view a few runs at a time. One document of tens of
// thousands of runs takes gigabytes and minutes of Qt's layout on the window's thread (and is taller
// than Qt's text layout can place); so the view's document holds only the runs around what is on
// screen. They are rendered, imported and laid out one at a time as the user scrolls, each in a few
// milliseconds, and the runs far off screen leave the document again. (The source's runs are its
// units: a run of many records comes as pieces of about a hundred rows, LogRunSource.)
//
// A scroll bar of the pager's own, in the place of the view's, spans every run: its range is the sum
// of the runs' heights, measured for the runs that have been in the view and estimated for the rest.
// The view's own (hidden) scroll bar still moves the text for the wheel, the keys and selections; the
// two are kept in step. What the document holds is always exactly what QTextEdit::setText of those
// runs' HTML gives.
#include "run_heights.h"
#include "view_busy_cursor.h"

#include <QObject>

#include <cstdint>
#include <deque>
#include <vector>

class LogRunSource;
class LogViewKeys;
class QScrollBar;
class QTextDocument;
class QTextEdit;
class QTimer;

class LogRunPager : public QObject {
    Q_OBJECT
public:
    explicit LogRunPager(QTextEdit* view);
    ~LogRunPager() override;

    // Shows the runs of `source` from the first one, which comes into the view at the next turn of the
    // event loop (first_runs_shown() tells); the source must stay until clear() or the next show().
    // Two turns of a few milliseconds each, where one would hold the window twice as long: the first
    // showing of a long result is when the window's thread has most to do.
    void show(const LogRunSource* source);
    // The source's index has come: better estimates of the heights, and any run can be shown.
    void index_ready();
    // Empties the view and gives it its own scroll bar back.
    void clear();

    bool active() const { return source != nullptr; }
    // The runs in the view's document now: [first_run(), first_run() + runs_in_document()).
    int first_run() const;
    int runs_in_document() const { return int(entries.size()); }
    // Nothing left to render, import or drop for the present place.
    bool settled() const;
    QScrollBar* scroll_bar() const { return bar; }

signals:
    // The first runs of the source that show() was given are in the view.
    void first_runs_shown();

private slots:
    void fill();
    void view_scrolled(int value);
    void bar_moved(int value);
    void bar_released();
    void view_changed();
    void horizontal_range_changed();
    void vertical_range_changed();

private:
    struct Entry {
        int run;
        int characters; // of the document
    };

    bool renderable(int run) const;
    std::int64_t rows_before(int run) const;
    void insert(int run, bool at_front);
    void remove_front();
    void remove_back();
    // Drops every run from the document.
    void empty_document();
    void rebuild_at(int run);
    // The entry that holds `run`; entries.size() when no entry does.
    std::size_t entry_of(int run) const;
    void lay_out_as_set_text();
    // After the document changed: measure, keep the anchor in place, set both scroll bars.
    void settle();
    void measure();
    void estimate();
    void place_view();
    // The anchor for this value of the view's own scroll bar.
    void anchor_at(int value);
    void update_bar();
    // The place of the whole text that `value` stands for while the bar's range waits.
    std::int64_t held_place(int value) const;
    // The view's horizontal scroll bar spans the widest run laid out since show(), as it spans the
    // widest run of the whole text: it neither shrinks nor moves as wide runs leave the document.
    void hold_horizontal_range();
    // The view's own scroll bar reaches past the document by the heights of the runs before and after
    // it, so that steps queued faster than runs come in (Page Down pressed ten times at once, a quick
    // turn of the wheel) go as far as in the whole text: fill() brings what they reach.
    void hold_vertical_range();
    // The anchor to a place of the whole text, whose run is built anew.
    void jump_to(std::int64_t place);
    void schedule();
    double entry_top(std::size_t entry) const;

    QTextEdit* const view;
    QScrollBar* const bar;
    QTimer* const timer;
    LogViewKeys* const keys; // Home and End go to the first and the last run
    ViewBusyCursor waiting;  // over the view while a place asked for waits for the index
    const LogRunSource* source = nullptr;
    int runs = 0;

    std::deque<Entry> entries;
    std::vector<double> tops; // of the entries in the document, and the document's height last
    RunHeights heights;
    // Before the index: the rows before each run known so far, run 0 on. A run's count is learnt when
    // the run before it is rendered, and only a known run can be rendered, so they are known in order.
    std::vector<std::int64_t> known_rows_before;
    std::vector<bool> measured;
    int measured_count = 0;
    int estimated_at = 0; // measured_count when the estimates were last made
    bool estimated_from_index = false;

    // What the top of the view shows: this run, this many pixels below its top.
    int anchor_run = 0;
    double anchor_offset = 0;
    bool jump_pending = false;       // the anchor's run is not in the document yet
    bool first_runs_pending = false; // since show(), nothing has been in the document
    bool at_end = false;             // the user put the view at the end of the last run
    bool adjusting = false;          // this object moves the scroll bars itself
    bool bar_behind = false;         // the held handle's range waits for it to be let go
    int held_value = 0;              // the value of the bar that stands for the anchor
    int widest = 0;                  // the document's width, at most, since show()
    bool holding_horizontal = false; // this object sets the horizontal range
    bool holding_vertical = false;   // this object sets the range of the view's own bar
    std::int64_t scale = 1;          // pixels per unit of the bar, which counts in int
    int saved_policy = 0;
};
