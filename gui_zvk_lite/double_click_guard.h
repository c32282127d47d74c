#pragma once
// The buttons that lead from one screen to the next lie on one spot (Next, Run tests, Stop tests, and
// View logs, which takes Stop's place when the run ends). A quick burst of clicks on one of them acts
// with its first click, and Qt delivers the clicks that follow to whatever now lies under the pointer:
// the next screen's button, which then went on again (or stopped the run it had just started), or the
// button that took the clicked one's place. After a click that changed the page, or after which another
// button lies under the pointer, each press that follows the press before it as closely as the second
// click of a double click does (same button, within the double-click interval and distance) does
// nothing; so does the double-click event Qt sends after such a press, and its release. The first press
// after a pause, or one elsewhere, acts and ends the burst. A key ends it too: a page that a key changed
// (Esc) arms nothing, so the click that follows acts.
#include <QObject>
#include <QPointF>
#include <QPointer>

class QAbstractButton;
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
    // The button under a press of the window, or null.
    QAbstractButton* button_at(const QMouseEvent* e) const;
    // Whether another button than the one the latest press found now lies under this press.
    bool button_replaced(const QMouseEvent* e) const;

    struct Press {
        quint64 time = 0;
        QPointF position; // on the screen
        int button = 0;
    };

    QStackedWidget* pages;
    Press latest_press;                       // the window's latest press
    QPointer<QAbstractButton> pressed_button; // the button under the latest press, if any
    bool have_press;
    // A key reached the window after the latest press: what changed since was not the click's doing.
    bool key_since_press;
    // The page changed after the latest press, or that press was swallowed: a press that follows it
    // closely belongs to the burst of clicks that changed the page.
    bool in_burst;
    // The latest press was swallowed: its double-click event and its release go with it. Decided anew
    // at every press, so a release that never reaches the window (a modal box took it) costs nothing.
    bool press_swallowed;
};
