#pragma once
// Message boxes checked without a person: while a MessageBoxCloser lives, it looks among the top-level
// widgets for visible message boxes (also while one runs modally, in its own event loop), records each
// one and closes it with its Ok button.
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <functional>

namespace zvk_test {

struct SeenMessageBox {
    QString title;
    QString text;
    Qt::TextFormat text_format;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    Qt::WindowFlags flags;
    bool has_parent;
    bool modal;
};

class MessageBoxCloser {
public:
    // With echo, each box found is also written to standard error as "message box: title | text"
    // (for a child process whose output the parent checks).
    explicit MessageBoxCloser(bool echo = false);
    ~MessageBoxCloser();
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

    const QList<SeenMessageBox>& seen() const { return boxes; }
    void clear() { boxes.clear(); }
    // Called with each box found, before it is closed (to look at the program's state at that moment).
    void on_box(std::function<void(const SeenMessageBox&)> action) { callback = std::move(action); }

private:
    void poll();
    QTimer timer;
    bool echo;
    QList<SeenMessageBox> boxes;
    std::function<void(const SeenMessageBox&)> callback;
};

// The first visible message box among the top-level widgets, or null.
QMessageBox* find_message_box();

} // namespace zvk_test
