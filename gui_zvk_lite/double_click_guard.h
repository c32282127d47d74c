#pragma once
// The buttons that lead from one screen to the next lie on one spot (Next, Run tests, Stop tests). A
// double click on one of them shows the next screen with its first click, and Qt delivers the second
// to whatever now lies under the pointer: the next screen's button, which then went on again (or
// stopped the run it had just started). The second click of a double click begun before the page
// changed does nothing on the new page.
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
    // Whether a press is the second of a double click whose first was the armed one, as Qt counts it.
    bool second_of_double_click(const QMouseEvent* e) const;

    struct Press {
        quint64 time = 0;
        QPointF position; // on the screen
        int button = 0;
    };

    QStackedWidget* pages;
    Press last_press; // the window's latest press
    bool have_press;
    Press armed; // the press of the click that showed the page
    bool is_armed;
    // A press was swallowed: its double-click event and its release go too.
    bool swallowing;
};
