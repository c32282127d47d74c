#pragma once
// The main window opened in a working folder of the test's own that holds the packed test modules it
// names (from ZVK_TEST_MODULES_DIR), the way a user starts the program among the modules. The
// working folder from before is restored when the window goes. Header-only: the test support
// library does not link the program's GUI library; the tests that use this do.
#include "event_wait.h"
#include "gui_manager.h"
#include "gui_manager_access.h"
#include "test_support.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

namespace zvk_test {

class ModuleWindow {
public:
    // folder: a name for the working folder; stems: test-module stems ("standard", "single", ...).
    ModuleWindow(const QString& folder, const QStringList& stems) : saved_dir(QDir::currentPath()) {
        const QString dir = fresh_dir(folder);
        const QString modules = qEnvironmentVariable("ZVK_TEST_MODULES_DIR");
        for (const QString& stem : stems)
            QFile::copy(modules + "/diag_" + stem + ".dll", dir + "/diag_" + stem + ".dll");
        QDir::setCurrent(dir);
        gui.reset(new GUIManager(nullptr, Qt::WindowFlags()));
    }
    ~ModuleWindow() {
        gui.reset();
        QDir::setCurrent(saved_dir);
    }
    ModuleWindow(const ModuleWindow&) = delete;
    ModuleWindow& operator=(const ModuleWindow&) = delete;

    GUIManager& window() { return *gui; }

    // The main screen's button of the module with this display name; null when there is none.
    QAbstractButton* module_button(const QString& display_name) {
        GUIMainScreen& main = GUIManagerTestAccess::main_screen(*gui);
        const QMap<int, QString>& names = GUIManagerTestAccess::button_names(main);
        for (auto it = names.begin(); it != names.end(); ++it) {
            if (it.value() == display_name)
                return GUIManagerTestAccess::button_group(main).button(it.key());
        }
        return nullptr;
    }

    // Clicks that button (the main screen must be current) and waits until the module is bound: the
    // binding waits while the worker is still inside a call on the module bound before, or has yet to
    // say it is done with one (its results can arrive before that). False when either fails.
    bool click_module(const QString& display_name) {
        QAbstractButton* button = module_button(display_name);
        if (!button)
            return false;
        button->click();
        GUIManager& w = *gui;
        return wait_until([&w] { return !GUIManagerTestAccess::switch_pending(w); });
    }

    // Clicks that button as click_module does, waits until the flow has left the main screen and, when
    // it went to the device screen, until that has its list; false when any of it fails.
    bool choose(const QString& display_name) {
        if (!click_module(display_name))
            return false;
        GUIManager& w = *gui;
        if (!wait_until([&w] { return GUIManagerTestAccess::current_screen(w) != ScreenBit::Main; }))
            return false;
        if (GUIManagerTestAccess::current_screen(w) != ScreenBit::Devices)
            return true;
        return wait_for_devices();
    }

    // Waits until the device screen shows its list instead of its loading view.
    bool wait_for_devices() {
        Ui_device_Frame& form = GUIManagerTestAccess::form(GUIManagerTestAccess::device_screen(*gui));
        return wait_until([&form] { return !form.done_frame->isHidden() && form.loading_frame->isHidden(); });
    }

private:
    QString saved_dir;
    std::unique_ptr<GUIManager> gui;
};

} // namespace zvk_test
