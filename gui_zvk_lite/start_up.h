#pragma once
// The program's start-up after its QApplication exists: translator, single-instance test, main window,
// application font and style, event loop. main() holds only the guard and the application object, so
// the tests run this very code.
#include <QString>

class QApplication;
class QTranslator;
class SingleInstanceGuard;

// Loads "gui_zvk_lite_" + locale name from the working folder with Qt's own fallback (the name cut
// back at its last '_' or '.'), else "gui_zvk_lite_en", writes the debug lines of the fallbacks and
// installs the translator when one loaded. Without any, the program shows the tokens themselves.
bool load_translator(QTranslator& translator, const QString& locale_name);

// The push-button style of the whole application.
QString application_style_sheet();

// Runs the program to the end of its event loop and returns the loop's result. A second instance shows
// only a box saying so, run by the event loop, and makes no main window.
int run_program(QApplication& app, SingleInstanceGuard& guard);
