#include "double_click_guard.h"

#include "checked_connect.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyleHints>
#include <QWindow>

DoubleClickGuard::DoubleClickGuard(QStackedWidget* pages_)
    : QObject(nullptr), pages(pages_), have_press(false), key_since_press(false), in_burst(false),
      press_swallowed(false) {
    checked_connect(pages, SIGNAL(currentChanged(int)), this, SLOT(page_changed()));
    // The window's own mouse and key events, before any widget sees them: a swallowed press moves no
    // focus and presses no button.
    QCoreApplication::instance()->installEventFilter(this);
}

void DoubleClickGuard::page_changed() {
    // Only a page that the latest click changed: one that a key changed (Esc) leaves the next click be.
    in_burst = have_press && !key_since_press;
}

bool DoubleClickGuard::on_pages(const QMouseEvent* e) const {
    QWidget* window = pages->window();
    const QPoint at = pages->mapFrom(window, e->position().toPoint());
    return pages->rect().contains(at);
}

bool DoubleClickGuard::follows_latest_press(const QMouseEvent* e) const {
    // Qt's own rule for the second press of a double click, which Qt applies only to every other press
    // of a burst.
    const QStyleHints* hints = QGuiApplication::styleHints();
    const qreal distance = hints->mouseDoubleClickDistance();
    const QPointF moved = e->globalPosition() - latest_press.position;
    return e->timestamp() - latest_press.time < quint64(hints->mouseDoubleClickInterval()) &&
           int(e->button()) == latest_press.button && qAbs(moved.x()) <= distance &&
           qAbs(moved.y()) <= distance;
}

QAbstractButton* DoubleClickGuard::button_at(const QMouseEvent* e) const {
    QWidget* window = pages->window();
    for (QWidget* w = window->childAt(e->position().toPoint()); w && w != window; w = w->parentWidget()) {
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            return button;
    }
    return nullptr;
}

bool DoubleClickGuard::button_replaced(const QMouseEvent* e) const {
    // Stop tests gives way to View logs as the run it stopped ends, without a page change.
    if (key_since_press || !pressed_button)
        return false;
    QAbstractButton* under = button_at(e);
    return under && under != pressed_button;
}

bool DoubleClickGuard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease && type != QEvent::KeyPress)
        return false;
    QWindow* window = pages->window()->windowHandle();
    if (!window || watched != window)
        return false;
    if (type == QEvent::KeyPress) {
        // A key between two clicks makes the second one a click of its own.
        key_since_press = true;
        in_burst = false;
        return false;
    }
    auto* e = static_cast<QMouseEvent*>(event);

    if (type == QEvent::MouseButtonDblClick)
        return press_swallowed; // Qt sends it right after its press
    if (type == QEvent::MouseButtonRelease) {
        const bool swallow = press_swallowed;
        press_swallowed = false;
        return swallow;
    }
    press_swallowed = on_pages(e) && follows_latest_press(e) && (in_burst || button_replaced(e));
    in_burst = press_swallowed;
    have_press = true;
    key_since_press = false;
    latest_press = {e->timestamp(), e->globalPosition(), int(e->button())};
    pressed_button = button_at(e);
    return press_swallowed;
}
