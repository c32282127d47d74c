#include "view_busy_cursor.h"

#include <QAbstractScrollArea>
#include <QWidget>

void ViewBusyCursor::show_over(QAbstractScrollArea* view_) {
    if (view)
        return;
    view = view_;
    view_had_cursor = view->testAttribute(Qt::WA_SetCursor);
    view_cursor = view->cursor();
    viewport_cursor = view->viewport()->cursor();
    view->setCursor(Qt::BusyCursor);
    view->viewport()->setCursor(Qt::BusyCursor);
}

void ViewBusyCursor::hide() {
    if (!view)
        return;
    view->viewport()->setCursor(viewport_cursor);
    if (view_had_cursor)
        view->setCursor(view_cursor);
    else
        view->unsetCursor();
    view = nullptr;
}
