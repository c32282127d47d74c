// GoogleTest entry point with the Qt application object the tests need.
#include "sanitizer_hooks.h"

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
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
