// GoogleTest entry point with the Qt application object the tests need.
#include "sanitizer_hooks.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QtGlobal>

#ifdef ZVK_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    // CTest sets these; keep a program started by hand on the same footing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    zvk_test::install_sanitizer_hooks();
    zvk_test::start_shared_x_server();
    int result = 0;
    {
        TestApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    // The application's connection to the server goes first.
    zvk_test::stop_shared_x_server();
    return result;
}
