#pragma once
// The busy cursor over a text view while what it is to show is still being read. It is the busy one
// (an arrow with a busy sign), not the wait cursor: the window answers meanwhile.
#include <QCursor>

class QAbstractScrollArea;

class ViewBusyCursor {
public:
    // Over the view's text, its frame and its scroll bars.
    void show_over(QAbstractScrollArea* view);
    // Gives the view back the cursors it had.
    void hide();

private:
    QAbstractScrollArea* view = nullptr;
    QCursor viewport_cursor; // a text view's own: the I-beam
    bool view_had_cursor = false;
    QCursor view_cursor;
};
