#include "diagnostic_widget.h"

#include "test_widget.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QWheelEvent>

DiagnosticWidget::DiagnosticWidget(std::string title) : QWidget(nullptr, Qt::WindowFlags()) {
    ui.setupUi(this);
    set_device_name(std::move(title));
    ui.error_frame->hide();
    fit_height();
    ui.progress_tableWidget->setStyleSheet("alternate-background-color: #e6e6e6;background-color: #fff;");
}

void DiagnosticWidget::set_device_name(std::string name) {
    ui.device_name_label->set_full_text(QString::fromStdString(name));
}

void DiagnosticWidget::add_test(int code, std::string name) {
    // A code that has its row already keeps it: a second row under the same code would replace the
    // first in the map while the table still holds both.
    if (rows.contains(code))
        return;
    int row = rows.size();
    auto* widget = new TestWidget(std::move(name), row);
    rows.insert(code, widget);
    ui.progress_tableWidget->setRowCount(row + 1);
    ui.progress_tableWidget->setColumnCount(1);
    ui.progress_tableWidget->setCellWidget(row, 0, widget);
    widget->fit_status_width();
    widget->set_status(TestWidgetStatus::Waiting);
}

TestWidget* DiagnosticWidget::test_widget(int code) const {
    return rows.value(code, nullptr);
}

void DiagnosticWidget::set_result_code(std::string text) {
    ui.error_frame->show();
    ui.error_text_label->setText(QCoreApplication::translate("Translations", "ResultCode") + ":");
    ui.error_code_label->setText(QString::fromStdString(text));
}

void DiagnosticWidget::fit_height() {
    // Tall enough for every row, so the block never scrolls on its own; the screen's scroll area does.
    QTableWidget* table = ui.progress_tableWidget;
    int h = ui.error_frame->height() + table->rowCount() * table->rowHeight(0) + 20;
    resize(width(), h);
    setMinimumHeight(h);
    table->setColumnWidth(0, ui.line->width() - 2);
}

int DiagnosticWidget::average_progress() const {
    // A block without rows has nothing to average; it counts as not started.
    if (rows.isEmpty())
        return 0;
    // Wide enough for any values a module reports.
    qint64 sum = 0;
    for (const TestWidget* row : rows)
        sum += row->progress();
    return int(sum / rows.size());
}

void DiagnosticWidget::abort_remaining() {
    for (TestWidget* row : rows) {
        if (row->progress() != 100)
            row->set_status(TestWidgetStatus::Aborted);
    }
}

void DiagnosticWidget::resizeEvent(QResizeEvent*) {
    fit_height();
}

// Left to the parents, so the wheel scrolls the progress screen's list of blocks.
void DiagnosticWidget::wheelEvent(QWheelEvent* event) {
    event->ignore();
}
