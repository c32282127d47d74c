// The frameless window: title-area dragging, its own maximize and restore, the window buttons and the
// bottom info line.
#include "gui_manager.h"

#include "win_bios.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

// How long a termination request waits for the module to end a stopped run before the window closes
// all the same. With the end's own grace for a module call that still runs, the process is gone before
// the 5 s after which a close request ends it by force.
constexpr int run_end_wait_ms = 2000;

QString button_style(const QString& name) {
    auto rule = [](const QString& selector, const QString& image) {
        return selector +
               "{border-color: rgb(0, 0, 0); background-repeat: no-repeat; background-image: "
               "url(:/gui_zvk_lite/Resources/Icons/" +
               image + ");}";
    };
    const QString sep(7, QChar('\t'));
    return rule("QPushButton", name + "_normal.png") + sep + rule("QPushButton:hover", name + "_glow.png") +
           sep + rule("QPushButton:pressed", name + "_pressed.png");
}

} // namespace

void GUIManager::init_window_buttons() {
    ui.minimize_pushButton->setStyleSheet(button_style("minimize"));
    ui.maximize_pushButton->setStyleSheet(button_style("maximize"));
    ui.normal_pushButton->setStyleSheet(button_style("restore"));
    ui.close_pushButton->setStyleSheet(button_style("close"));
}

bool GUIManager::on_title_area(const QPoint& at) {
    // The widget under the point pressed, not the hover state: that stays with a window button when
    // the window shrinks away from under the pointer (restore), until the pointer crosses it again.
    QWidget* pressed = childAt(at);
    auto within = [pressed](QWidget* area) { return pressed == area || area->isAncestorOf(pressed); };
    return pressed && within(ui.top_frame) && !within(ui.window_buttons_frame);
}

void GUIManager::mousePressEvent(QMouseEvent* e) {
    if (on_title_area(e->position().toPoint())) {
        drag_offset = e->position().toPoint();
        dragging = true;
    }
}

void GUIManager::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging)
        return;
    if (maximized) {
        int movement = 0;
        restore(false, e, &movement);
        drag_offset.setX(movement);
        ui.normal_pushButton->hide();
        ui.maximize_pushButton->show();
    }
    move(e->globalPosition().toPoint() - drag_offset);
}

void GUIManager::mouseReleaseEvent(QMouseEvent*) {
    dragging = false;
}

void GUIManager::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!on_title_area(e->position().toPoint()))
        return;
    if (maximized)
        restore(true, nullptr, nullptr);
    else
        maximize();
}

void GUIManager::maximize() {
    saved_pos = pos();
    saved_size = size();
    QRect area;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    resize(area.width(), area.height());
    move(0, 0);
    ui.normal_pushButton->show();
    ui.maximize_pushButton->hide();
    maximized = true;
}

void GUIManager::restore(bool use_previous_position, QMouseEvent* e, int* movement) {
    if (use_previous_position) {
        move(saved_pos);
    } else if (e) {
        float m = float(e->position().x()) / float(width()) * float(saved_size.width());
        if (movement)
            *movement = int(m);
        move(int(float(e->globalPosition().x()) - m), int(e->globalPosition().y()));
    }
    resize(saved_size);
    ui.normal_pushButton->hide();
    ui.maximize_pushButton->show();
    maximized = false;
}

// The worker is asked to end rather than killed: killed inside a module call it would leave the module
// half-way (its locks, and the heap's, possibly held), and on Linux the cancellation cannot unwind
// through the module's code, so the thread would vanish without its QThread noticing and the end of
// the program would wait for it forever. Idle, it ends at once; inside a call, as soon as the call
// returns; nothing still queued runs. The window closes at once either way.
void GUIManager::zvk_lite_close() {
    worker_thread.quit();
}

void GUIManager::set_minimize_enabled(bool enabled) {
    ui.minimize_pushButton->setEnabled(enabled);
}
void GUIManager::set_normal_enabled(bool enabled) {
    ui.normal_pushButton->setEnabled(enabled);
}
void GUIManager::set_maximize_enabled(bool enabled) {
    ui.maximize_pushButton->setEnabled(enabled);
}
void GUIManager::set_close_enabled(bool enabled) {
    ui.close_pushButton->setEnabled(enabled);
    close_enabled = enabled;
    if (enabled && close_when_run_ends) {
        close_when_run_ends = false;
        // Queued: the run's end (the module's end of the run, the summary) completes first.
        QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection);
    }
}

bool GUIManager::close_after_run() {
    if (close_enabled)
        return false;
    if (close_when_run_ends)
        return true; // already stopping
    close_when_run_ends = true;
    progress_screen.abort_current_test();
    QTimer::singleShot(run_end_wait_ms, this, [this] {
        if (close_when_run_ends)
            close(); // the module did not end the run in time: ended as a module call that does not return
    });
    return true;
}

void GUIManager::closeEvent(QCloseEvent* e) {
    // A close from the window system while a run lasts is refused as the disabled close button is, and
    // not kept for later. The program's own closes (the close button, a termination request) pass.
    if (e->spontaneous() && !close_enabled) {
        e->ignore();
        return;
    }
    QMainWindow::closeEvent(e);
}

void GUIManager::set_info_labels() {
    ui.version_label->setText(ui.version_label->text() + QString::number(ZVK_VERSION_MAJOR) + "." +
                              QString::number(ZVK_VERSION_MINOR) + "." + QString::number(ZVK_VERSION_PATCH) +
                              "." + QString::number(ZVK_VERSION_TWEAK));
    // After get_instance the accessor always holds a text: the serial number or its placeholder.
    const char* serial = nullptr;
    std::uint64_t length = 0;
    zedra_hal::WinBios::get_instance()->get_serial_number(&serial, &length);
    ui.bios_label->setText(ui.bios_label->text() + QString(serial));
}
