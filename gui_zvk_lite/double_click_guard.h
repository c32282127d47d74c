#pragma once
// The buttons that lead from one screen to the next lie on one spot (Next, Run tests, Stop tests). A
// quick burst of clicks on one of them shows the next screen with its first click, and Qt delivers the
// clicks that follow to whatever now lies under the pointer: the next screen's button, which then went
// on again (or stopped the run it had just started). After a click that changed the page, each press
// that follows the press before it as closely as the second click of a double click does (same button,
// within the double-click interval and distance) does nothing on the new page; so does the
// double-click event Qt sends after such a press, and its release. The first press after a pause, or
// one elsewhere, acts and ends the burst.
#include <QObject>
#include <QPointF>

class QEvent;
class QMouseEvent;
class QStackedWidget;

class DoubleClickGuard : public QObject {
    Q_OBJECT

public:
    // pages: the stack of screens; it must outlive the guard.
    explicit DoubleClickGuard(QStackedWidget* pages);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void page_changed();

private:
    bool on_pages(const QMouseEvent* e) const;
    // Whether a press follows the latest press as the second click of a double click would, by the
    // platform's double-click interval and distance.
    bool follows_latest_press(const QMouseEvent* e) const;

    struct Press {
        quint64 time = 0;
        QPointF position; // on the screen
        int button = 0;
    };

    QStackedWidget* pages;
    Press latest_press; // the window's latest press
    bool have_press;
    // The page changed after the latest press, or that press was swallowed: a press that follows it
    // closely belongs to the burst of clicks that changed the page.
    bool in_burst;
    // The latest press was swallowed: its double-click event and its release go with it. Decided anew
    // at every press, so a release that never reaches the window (a modal box took it) costs nothing.
    bool press_swallowed;
};
