#pragma once
// The screen that runs the chosen tests, device after device and test after test on the worker, and
// shows their progress and results: one block per device, one row per test, an overall bar and, at the
// end, a coloured summary.
#include "diagnostic_widget.h"
#include "module_contract.h"
#include "ui_progress_Frame.h"

#include <QFrame>
#include <QMap>
#include <QSharedPointer>
#include <QString>
#include <QVector>

#include <string>

class GUIManager;
class QKeyEvent;
class QTimer;
class TestWidget;

class GUIProgressScreen : public QFrame {
    Q_OBJECT
    friend class GUIManagerTestAccess;

public:
    explicit GUIProgressScreen(GUIManager* manager);
    ~GUIProgressScreen() override;

    // Starts a run of the given tests on the given devices, or leaves an ended run on view. 0: the
    // screen is to be shown; otherwise the run was refused and the caller returns to the first screen.
    int start_tests(QVector<std::string>& selected_devices, QVector<int>& selected_tests,
                    QMap<std::string, std::string>& device_map, QMap<int, std::string>& test_map);

public slots:
    void init_screen(int first_screen);
    void update_test_progress();
    void test_finished(int code, TestStatus status);
    void abort_current_test();
    void update_progress_bar();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void create_device_widgets();
    int start_device();
    void start_next_test();
    void device_finished();
    void clear_run();
    void show_result_code();
    // A device that the module refused: its tests count and show as not available.
    void report_refused_device();
    void end_of_run();
    QString summary() const;
    // The row of a test code in the current device's block, or null.
    TestWidget* current_row(int code) const;
    bool at_a_test() const;

    bool stopped;
    bool running;
    int properties;
    bool finished;
    int passed_count;
    int failed_count;
    int not_supported_count;
    int aborted_count;
    QVector<std::string> devices;
    QVector<int> tests;
    QMap<std::string, std::string> device_names;
    QMap<int, std::string> test_names;
    QMap<std::string, QSharedPointer<DiagnosticWidget>> device_widgets;
    QVector<std::string>::iterator current_device;
    QVector<int>::iterator current_test;
    GUIManager* manager;
    Ui_progress_Frame ui;
    QTimer* timer;
};
