#pragma once
// One row of a device block on the progress screen: a test's name, its status word, and a progress bar
// while it runs or a status icon once it has ended.
#include "ui_test_widget.h"

#include <QWidget>

#include <string>

// Display state of a row. Each name is also the translation key of the word the row shows.
namespace TestWidgetStatus {
constexpr int Waiting = 0;
constexpr int Running = 1;
constexpr int Passed = 2;
constexpr int Failed = 3;
constexpr int NotSupported = 4;
constexpr int Aborted = 5;
} // namespace TestWidgetStatus

class TestWidget : public QWidget {
    Q_OBJECT
public:
    // name: the text to show, already translated; row: the row's index in its block, which picks the
    // background.
    TestWidget(std::string name, int row);

    void set_status(int status);
    int status() const { return current_status; }
    void set_progress(int percent);
    int progress() const { return current_progress; }
    void show_progress();
    void fit_status_width();

private:
    std::string test_name;
    int current_status;
    int current_progress;
    Ui_test_widget ui;
};
