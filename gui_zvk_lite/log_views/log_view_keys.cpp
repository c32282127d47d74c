#include "log_view_keys.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextEdit>

LogViewKeys::LogViewKeys(QTextEdit* view_) : QObject(view_), view(view_) {
    view->installEventFilter(this);
}

void LogViewKeys::span_with(QScrollBar* bar) {
    spanning = bar;
}

bool LogViewKeys::eventFilter(QObject* watched, QEvent* event) {
    // A read-only view without keyboard selection takes Home and End only without any modifier, and
    // then to the ends of its own document, which holds only a few runs of a long result.
    if (watched == view && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) &&
            (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier)) {
            QScrollBar* bar = spanning ? spanning : view->verticalScrollBar();
            bar->triggerAction(key->key() == Qt::Key_Home ? QAbstractSlider::SliderToMinimum
                                                          : QAbstractSlider::SliderToMaximum);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
