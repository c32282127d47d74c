#include "gui_message_boxes.h"

#include <QAbstractButton>
#include <QApplication>

#include <cstdio>

namespace zvk_test {

QMessageBox* find_message_box() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

MessageBoxCloser::MessageBoxCloser(bool echo_) : echo(echo_) {
    QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
    timer.start(10);
}

MessageBoxCloser::~MessageBoxCloser() {
    timer.stop();
}

void MessageBoxCloser::poll() {
    while (QMessageBox* box = find_message_box()) {
        boxes.append({box->windowTitle(), box->text(), box->textFormat(), box->icon(), box->standardButtons(),
                      box->windowFlags(), box->parentWidget() != nullptr, box->isModal()});
        if (callback)
            callback(boxes.last());
        if (echo) {
            std::fprintf(stderr, "message box: %s | %s\n", qPrintable(box->windowTitle()),
                         qPrintable(box->text()));
            std::fflush(stderr);
        }
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->done(0);
        box->hide(); // a box that is not run modally stays open after the click
    }
}

} // namespace zvk_test
