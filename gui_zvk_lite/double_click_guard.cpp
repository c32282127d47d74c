#include "double_click_guard.h"

#include "checked_connect.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyleHints>
#include <QWindow>

DoubleClickGuard::DoubleClickGuard(QStackedWidget* pages_)
    : QObject(nullptr), pages(pages_), have_press(false), is_armed(false), swallowing(false) {
    checked_connect(pages, SIGNAL(currentChanged(int)), this, SLOT(page_changed()));
    // The window's own mouse events, before any widget sees them: a swallowed press moves no focus
    // and presses no button.
    QCoreApplication::instance()->installEventFilter(this);
}

void DoubleClickGuard::page_changed() {
    is_armed = have_press;
    armed = last_press;
}

bool DoubleClickGuard::on_pages(const QMouseEvent* e) const {
    QWidget* window = pages->window();
    const QPoint at = pages->mapFrom(window, e->position().toPoint());
    return pages->rect().contains(at);
}

bool DoubleClickGuard::second_of_double_click(const QMouseEvent* e) const {
    const QStyleHints* hints = QGuiApplication::styleHints();
    const qreal distance = hints->mouseDoubleClickDistance();
    const QPointF moved = e->globalPosition() - armed.position;
    return e->timestamp() - armed.time < quint64(hints->mouseDoubleClickInterval()) &&
           int(e->button()) == armed.button && qAbs(moved.x()) <= distance && qAbs(moved.y()) <= distance;
}

bool DoubleClickGuard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease)
        return false;
    QWindow* window = pages->window()->windowHandle();
    if (!window || watched != window)
        return false;
    auto* e = static_cast<QMouseEvent*>(event);

    if (swallowing) {
        if (type == QEvent::MouseButtonRelease)
            swallowing = false;
        return true;
    }
    if (type != QEvent::MouseButtonPress)
        return false;
    if (is_armed && on_pages(e) && second_of_double_click(e)) {
        is_armed = false;
        swallowing = true;
        return true;
    }
    is_armed = false;
    have_press = true;
    last_press = {e->timestamp(), e->globalPosition(), int(e->button())};
    return false;
}
