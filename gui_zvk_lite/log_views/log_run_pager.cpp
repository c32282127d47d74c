#include "log_run_pager.h"

#include "checked_connect.h"
#include "log_run_source.h"
#include "log_view_keys.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextFrame>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Until a run has been measured.
constexpr std::int64_t first_estimate = 1000;
// Estimates are made again as measurements come, until this many runs have been measured.
constexpr int estimates_until = 64;

// While the pager moves the scroll bars or changes the document itself, it does not take the moves
// for the user's.
class Adjusting {
public:
    explicit Adjusting(bool& flag_) : flag(flag_), was(flag_) { flag = true; }
    ~Adjusting() { flag = was; }
    Adjusting(const Adjusting&) = delete;
    Adjusting& operator=(const Adjusting&) = delete;

private:
    bool& flag;
    const bool was;
};

} // namespace

LogRunPager::LogRunPager(QTextEdit* view_)
    : QObject(view_), view(view_), bar(new QScrollBar(Qt::Vertical)), timer(new QTimer(this)),
      keys(new LogViewKeys(view_)) {
    bar->setObjectName("log_runs_scrollBar");
    // Beside the view's own bar, which is hidden while the pager shows runs, so this one takes its
    // place and its look.
    view->addScrollBarWidget(bar, Qt::AlignTop);
    bar->hide();
    timer->setSingleShot(true);
    timer->setInterval(0);
    checked_connect(timer, SIGNAL(timeout()), this, SLOT(fill()));
    checked_connect(view->verticalScrollBar(), SIGNAL(valueChanged(int)), this, SLOT(view_scrolled(int)));
    checked_connect(view->verticalScrollBar(), SIGNAL(rangeChanged(int, int)), this,
                    SLOT(vertical_range_changed()));
    checked_connect(view->verticalScrollBar(), SIGNAL(rangeChanged(int, int)), this, SLOT(view_changed()));
    checked_connect(view->document()->documentLayout(), SIGNAL(documentSizeChanged(QSizeF)), this,
                    SLOT(view_changed()));
    checked_connect(view->horizontalScrollBar(), SIGNAL(rangeChanged(int, int)), this,
                    SLOT(horizontal_range_changed()));
    checked_connect(bar, SIGNAL(valueChanged(int)), this, SLOT(bar_moved(int)));
    checked_connect(bar, SIGNAL(sliderReleased()), this, SLOT(bar_released()));
}

LogRunPager::~LogRunPager() = default;

void LogRunPager::show(const LogRunSource* source_) {
    clear();
    if (!source_ || source_->count() == 0)
        return;
    source = source_;
    runs = source->count();
    known_rows_before.assign(1, 0);
    measured.assign(std::size_t(runs), false);
    measured_count = 0;
    estimated_at = 0;
    estimated_from_index = false;
    heights.assign(std::size_t(runs), first_estimate);
    anchor_run = 0;
    anchor_offset = 0;
    at_end = false;
    widest = 0;

    saved_policy = int(view->verticalScrollBarPolicy());
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->verticalScrollBar()->hide();
    bar->show();
    keys->span_with(bar);
    view->document()->setUndoRedoEnabled(false);

    lay_out_as_set_text();
    // The first run comes as a jump to it, at the next step.
    jump_pending = true;
    first_runs_pending = true;
    schedule();
}

void LogRunPager::lay_out_as_set_text() {
    // Without wrapping, a text view lays text that holds tables out as wide as its viewport. It settles
    // that when it is resized, which setText of a long text brings about by showing the scroll bar;
    // nothing resizes the view here, where the pager's bar is there from the start. The runs' text
    // always holds tables: its document is given that width at once, before the runs go in, so that
    // they are laid out once.
    QTextDocument* document = view->document();
    const int width = view->viewport()->width();
    if (document->pageSize().width() != width) {
        Adjusting adjusting_now(adjusting);
        document->setPageSize(QSizeF(width, -1));
    }
}

void LogRunPager::index_ready() {
    if (!active())
        return;
    estimate();
    update_bar();
    schedule();
}

void LogRunPager::clear() {
    timer->stop();
    Adjusting adjusting_now(adjusting);
    if (source) {
        source = nullptr;
        runs = 0;
        entries.clear();
        tops.clear();
        jump_pending = false;
        first_runs_pending = false;
        bar->hide();
        // A handle held until now is let go: the bar, hidden, never sees the pointer's release.
        bar->setSliderDown(false);
        bar_behind = false;
        waiting.hide();
        keys->span_with(nullptr);
        view->verticalScrollBar()->show();
        view->setVerticalScrollBarPolicy(Qt::ScrollBarPolicy(saved_policy));
        view->document()->setUndoRedoEnabled(true);
    }
    view->clear();
}

int LogRunPager::first_run() const {
    return entries.empty() ? -1 : entries.front().run;
}

bool LogRunPager::settled() const {
    return !jump_pending && !timer->isActive();
}

bool LogRunPager::renderable(int run) const {
    return source->indexed() || std::size_t(run) < known_rows_before.size();
}

std::int64_t LogRunPager::rows_before(int run) const {
    return source->indexed() ? source->rows_before(run) : known_rows_before[std::size_t(run)];
}

void LogRunPager::insert(int run, bool at_front) {
    int rows = 0;
    const std::int64_t before_run = rows_before(run);
    const QString html = source->html(run, before_run, &rows);
    if (run + 1 < runs && std::size_t(run) + 1 == known_rows_before.size())
        known_rows_before.push_back(before_run + rows);

    QTextDocument* document = view->document();
    const int before = document->characterCount();
    {
        Adjusting adjusting_now(adjusting);
        QTextCursor cursor(document);
        if (at_front)
            cursor.setPosition(0);
        else
            cursor.movePosition(QTextCursor::End);
        cursor.insertFragment(QTextDocumentFragment::fromHtml(html));
    }
    const Entry entry{run, document->characterCount() - before};
    if (at_front)
        entries.push_front(entry);
    else
        entries.push_back(entry);
}

void LogRunPager::remove_front() {
    Adjusting adjusting_now(adjusting);
    QTextCursor cursor(view->document());
    cursor.setPosition(0);
    cursor.setPosition(entries.front().characters, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    entries.pop_front();
}

void LogRunPager::remove_back() {
    Adjusting adjusting_now(adjusting);
    int start = 0;
    for (std::size_t k = 0; k + 1 < entries.size(); ++k)
        start += entries[k].characters;
    QTextCursor cursor(view->document());
    cursor.setPosition(start);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    entries.pop_back();
}

void LogRunPager::empty_document() {
    Adjusting adjusting_now(adjusting);
    view->document()->clear();
    view->document()->setUndoRedoEnabled(false);
    entries.clear();
    tops.clear();
}

void LogRunPager::rebuild_at(int run) {
    empty_document();
    jump_pending = false;
    waiting.hide();
    lay_out_as_set_text();
    insert(run, false);
}

std::size_t LogRunPager::entry_of(int run) const {
    std::size_t k = 0;
    while (k < entries.size() && entries[k].run != run)
        ++k;
    return k;
}

double LogRunPager::entry_top(std::size_t entry) const {
    // The first run begins at the document's top; every other one at the table that opens it.
    if (entries[entry].run == 0)
        return 0;
    int start = 0;
    for (std::size_t k = 0; k < entry; ++k)
        start += entries[k].characters;
    QTextDocument* document = view->document();
    QTextCursor cursor(document);
    cursor.setPosition(std::min(start + 1, document->characterCount() - 1));
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    QTextFrame* const root = document->rootFrame();
    QTextFrame* frame = cursor.currentFrame();
    if (!frame || frame == root)
        return layout->blockBoundingRect(cursor.block()).top();
    while (frame->parentFrame() != root)
        frame = frame->parentFrame();
    return layout->frameBoundingRect(frame).top();
}

void LogRunPager::measure() {
    const std::size_t n = entries.size();
    tops.assign(n + 1, 0);
    // Lays the (few) runs out completely.
    const QSizeF size = view->document()->documentLayout()->documentSize();
    tops[n] = size.height();
    widest = std::max(widest, size.toSize().width());
    hold_horizontal_range();
    for (std::size_t k = n; k-- > 0;)
        tops[k] = entries[k].characters == 0 ? tops[k + 1] : entry_top(k);
    // A run ends where the next one begins. The document's end holds its bottom margin besides: only
    // the last run of all ends there in the whole text too.
    const std::size_t ended = entries.back().run == runs - 1 ? n : n - 1;
    for (std::size_t k = 0; k < ended; ++k) {
        const int run = entries[k].run;
        if (!measured[std::size_t(run)]) {
            measured[std::size_t(run)] = true;
            ++measured_count;
        }
        heights.set(run, std::max<std::int64_t>(0, std::llround(tops[k + 1] - tops[k])));
    }
    // The last one is not measured yet, but it is at least as high as it is laid out without the
    // document's margin: the bar never reaches its end while a long piece is still below.
    if (ended < n) {
        const int run = entries[n - 1].run;
        const std::int64_t least = std::llround(tops[n] - tops[n - 1] - view->document()->documentMargin());
        if (!measured[std::size_t(run)] && heights.height(run) < least)
            heights.set(run, least);
    }
}

void LogRunPager::estimate() {
    const bool indexed = source->indexed();
    const bool due = (indexed && !estimated_from_index) ||
                     (estimated_at < estimates_until && measured_count >= std::max(1, 2 * estimated_at));
    if (!due || measured_count == 0)
        return;
    double measured_height = 0;
    double measured_length = 0;
    for (int run = 0; run < runs; ++run) {
        if (measured[std::size_t(run)]) {
            measured_height += double(heights.height(run));
            if (indexed)
                measured_length += double(source->length(run));
        }
    }
    // The runs' heights follow the length of their text closely; before the lengths are known, all
    // runs are taken to be as high as the average one measured.
    const double per_character = measured_length > 0 ? measured_height / measured_length : 0;
    const std::int64_t average = std::llround(measured_height / measured_count);
    heights.reassign([&](int run) {
        if (measured[std::size_t(run)])
            return heights.height(run);
        if (per_character > 0)
            return std::max<std::int64_t>(1, std::llround(per_character * double(source->length(run))));
        return std::max<std::int64_t>(1, average);
    });
    estimated_at = measured_count;
    estimated_from_index = indexed;
}

void LogRunPager::settle() {
    if (entries.empty())
        return;
    measure();
    estimate();
    // The anchor stays where it is on screen; it moves on to a neighbour only when it lies outside its
    // own run.
    std::size_t k = entry_of(anchor_run);
    if (k == entries.size()) {
        k = 0;
        anchor_run = entries[0].run;
        anchor_offset = 0;
    }
    while (k + 1 < entries.size() && anchor_offset >= tops[k + 1] - tops[k]) {
        anchor_offset -= tops[k + 1] - tops[k];
        anchor_run = entries[++k].run;
    }
    while (k > 0 && anchor_offset < 0) {
        --k;
        anchor_offset += tops[k + 1] - tops[k];
        anchor_run = entries[k].run;
    }
    place_view();
    if (first_runs_pending) {
        first_runs_pending = false;
        emit first_runs_shown();
    }
}

void LogRunPager::place_view() {
    const std::size_t k = entry_of(anchor_run);
    if (k == entries.size())
        return;
    QScrollBar* own = view->verticalScrollBar();
    const int asked = int(std::lround(tops[k] + anchor_offset));
    // Put at the end, the view stays at the end while the runs there are measured.
    const bool to_end = at_end && entries.back().run == runs - 1;
    {
        Adjusting adjusting_now(adjusting);
        // The view's bar learns the new height only at the next turn of the event loop: it is told now.
        hold_vertical_range();
        own->setValue(to_end ? own->maximum() : asked);
    }
    // At an end of the document the view stops short of the anchor. Where the runs end too (the first
    // run at the top, the last one at the bottom), what it shows is the anchor; elsewhere the anchor
    // stays, and the runs that fill() brings next make room for it.
    if (to_end || (own->value() > asked && entries.front().run == 0) ||
        (own->value() < asked && entries.back().run == runs - 1))
        anchor_at(own->value());
    update_bar();
}

void LogRunPager::update_bar() {
    // While the handle is held, nothing moves it: a new range or page step would move it away from the
    // pointer (the index's estimates moved it by tens of pixels). They are set once it is let go, from
    // the place the view shows then.
    if (bar->isSliderDown()) {
        if (!bar_behind)
            held_value = bar->value();
        bar_behind = true;
        return;
    }
    bar_behind = false;
    const std::int64_t total = heights.total();
    const std::int64_t page = view->viewport()->height();
    scale = 1 + total / (std::int64_t(1) << 30);
    const std::int64_t place = heights.top(anchor_run) + std::llround(anchor_offset);
    Adjusting adjusting_now(adjusting);
    bar->setRange(0, int(std::max<std::int64_t>(0, total - page) / scale));
    bar->setPageStep(int(std::max<std::int64_t>(1, page / scale)));
    bar->setSingleStep(int(std::max<std::int64_t>(1, view->verticalScrollBar()->singleStep() / scale)));
    bar->setValue(int(std::max<std::int64_t>(0, place) / scale));
}

void LogRunPager::hold_horizontal_range() {
    // The view sets the range from its document whenever the document's size changes: this comes
    // right after, before the view bounds the bar's value by the new range, so the value holds.
    QScrollBar* horizontal = view->horizontalScrollBar();
    const int most = std::max(0, widest - view->viewport()->width());
    if (horizontal->maximum() < most) {
        Adjusting holding_now(holding_horizontal);
        horizontal->setRange(horizontal->minimum(), most);
    }
}

void LogRunPager::hold_vertical_range() {
    if (entries.empty() || tops.size() != entries.size() + 1)
        return;
    // Within the int of the bar, however long the text.
    constexpr std::int64_t most = std::int64_t(1) << 28;
    const std::int64_t above = std::min(most, heights.top(entries.front().run));
    const std::int64_t below = std::min(most, heights.total() - heights.top(entries.back().run + 1));
    const int low = -int(above);
    const int high = std::max(0, int(std::lround(tops.back())) - view->viewport()->height()) + int(below);
    QScrollBar* own = view->verticalScrollBar();
    if (own->minimum() != low || own->maximum() != high) {
        Adjusting holding_now(holding_vertical);
        own->setRange(low, high);
    }
}

void LogRunPager::vertical_range_changed() {
    // The view sets its bar's range from its document alone: it is set back at once, before the view
    // bounds the bar's value by it, so that a step past the document is not cut short.
    if (active() && !holding_vertical)
        hold_vertical_range();
}

void LogRunPager::horizontal_range_changed() {
    // Also while this object changes the document: the view sets the range then too.
    if (active() && !holding_horizontal)
        hold_horizontal_range();
}

void LogRunPager::schedule() {
    if (active() && !timer->isActive())
        timer->start();
}

void LogRunPager::fill() {
    if (!active())
        return;
    if (jump_pending) {
        if (!renderable(anchor_run))
            return; // index_ready() comes back here
        rebuild_at(anchor_run);
        settle();
        schedule();
        return;
    }
    if (entries.empty())
        return;
    settle();
    // One step a turn, each a few milliseconds: the rest of the event loop runs in between.
    const std::size_t n = entries.size();
    const double top = view->verticalScrollBar()->value();
    const double page = view->viewport()->height();
    const double margin = std::max(page, 300.0);
    const int first = entries.front().run;
    const int last = entries.back().run;
    // Steps that went far past the document: the place they reached is built anew, as a drag of the
    // bar builds it, rather than every run on the way.
    if ((last + 1 < runs && top > tops[n] + 4 * margin) || (first > 0 && top + page < tops[0] - 4 * margin)) {
        // Unless the estimates put that place into a run of the document, or the index that the run
        // there needs has not come: then the runs on the way come one by one.
        const std::int64_t place = heights.top(anchor_run) + std::llround(anchor_offset);
        const int target = heights.run_at(place);
        if (entry_of(target) == entries.size() && renderable(target)) {
            jump_to(place);
            schedule();
            return;
        }
    }
    if (last + 1 < runs && tops[n] - (top + page) < margin && renderable(last + 1))
        insert(last + 1, false);
    else if (first > 0 && top - tops[0] < margin && renderable(first - 1))
        insert(first - 1, true);
    else if (n >= 2 && tops[1] < top - 3 * margin)
        remove_front();
    else if (n >= 2 && tops[n - 1] > top + page + 3 * margin)
        remove_back();
    else
        return;
    settle();
    schedule();
}

void LogRunPager::jump_to(std::int64_t place) {
    anchor_run = heights.run_at(place);
    anchor_offset = double(place - heights.top(anchor_run));
    if (renderable(anchor_run)) {
        rebuild_at(anchor_run);
        settle();
    } else {
        jump_pending = true;
        empty_document();
    }
}

void LogRunPager::anchor_at(int value) {
    std::size_t k = 0;
    while (k + 1 < entries.size() && tops[k + 1] <= value)
        ++k;
    anchor_run = entries[k].run;
    anchor_offset = value - tops[k];
}

void LogRunPager::view_scrolled(int value) {
    if (!active() || adjusting || jump_pending || entries.empty() || tops.size() != entries.size() + 1)
        return;
    anchor_at(value);
    at_end = entries.back().run == runs - 1 && value == view->verticalScrollBar()->maximum();
    update_bar();
    schedule();
}

void LogRunPager::bar_moved(int value) {
    if (!active() || adjusting)
        return;
    at_end = value == bar->maximum();
    const std::int64_t place = bar_behind ? held_place(value) : std::int64_t(value) * scale;
    held_value = value;
    anchor_run = heights.run_at(place);
    anchor_offset = double(place - heights.top(anchor_run));
    if (entry_of(anchor_run) < entries.size()) {
        place_view();
    } else if (renderable(anchor_run)) {
        rebuild_at(anchor_run);
        settle();
    } else {
        // Far ahead before the index has come: nothing of the old place stays in view meanwhile, and
        // the busy cursor says that the place is coming. Before the first runs the screen shows its
        // own until they come.
        jump_pending = true;
        empty_document();
        if (!first_runs_pending)
            waiting.show_over(view);
    }
    schedule();
}

std::int64_t LogRunPager::held_place(int value) const {
    // The held handle's range predates the heights learnt since. From the value that stands for the
    // place the view shows, the handle covers what lies between that place and either end of the
    // text: the view moves on from where it is, and the ends of the groove are the ends of the text.
    const double span = double(std::max<std::int64_t>(0, heights.total() - view->viewport()->height()));
    const double from = std::clamp(double(heights.top(anchor_run)) + anchor_offset, 0.0, span);
    if (value > held_value)
        return std::llround(from +
                            (span - from) * (value - held_value) / double(bar->maximum() - held_value));
    if (value < held_value)
        return std::llround(from - from * (held_value - value) / double(held_value));
    return std::llround(from);
}

void LogRunPager::bar_released() {
    if (active())
        update_bar();
}

void LogRunPager::view_changed() {
    // The viewport or the layout changed (a resize): measure again at the next step.
    if (!adjusting)
        schedule();
}
