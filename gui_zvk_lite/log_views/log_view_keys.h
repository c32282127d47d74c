#pragma once
// The keys that move a log view, the same whether the view holds the whole text or a few runs of a
// long one: Home and End, alone or with Ctrl (from the keypad too), go to the start and to the end of
// the whole text. The view's own keys (Page Up and Page Down, the arrows, Space) move it alike either
// way; the view keeps them.
#include <QObject>

class QScrollBar;
class QTextEdit;

class LogViewKeys : public QObject {
    Q_OBJECT
public:
    // Watches the keys that reach `view`; belongs to it.
    explicit LogViewKeys(QTextEdit* view);

    // The scroll bar that spans the whole text: one that stands in the place of the view's own, or the
    // view's own again (null).
    void span_with(QScrollBar* bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTextEdit* const view;
    QScrollBar* spanning = nullptr;
};
