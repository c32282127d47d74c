#pragma once
// The block of one device on the progress screen: the device's title, its result code once it is done,
// and a table with one row (TestWidget) per test of the run.
#include "ui_diagnostic_widget.h"

#include <QMap>
#include <QWidget>

#include <string>

class TestWidget;
class QResizeEvent;
class QWheelEvent;

class DiagnosticWidget : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosticWidget(std::string title);

    void set_device_name(std::string name);
    void add_test(int code, std::string name);
    // The row of a test code, or null for a code that has none.
    TestWidget* test_widget(int code) const;
    void set_result_code(std::string text);
    void fit_height();
    int average_progress() const;
    void abort_remaining();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QMap<int, TestWidget*> rows; // not owning: the table owns its cell widgets
    Ui_diagnostic_widget ui;
};
