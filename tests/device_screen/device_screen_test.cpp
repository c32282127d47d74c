// The device screen with the test modules' device lists: the loading view, check boxes or read-only
// labels, the select-all box and Next in step with the user's clicks, the choice kept per device id
// from one visit to the next, and the selection handed back before the flow moves on.
#include "gui_manager_access.h"
#include "gui_module_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>

using Access = GUIManagerTestAccess;

namespace {

const std::string device_0 = "DEVICE_0";
const std::string device_1 = "DEVICE_1_WITH_AN_IDENTIFIER_LONGER_THAN_A_SHORT_STRING";
const std::string device_2 = "DEVICE_2";

class DeviceScreen : public ::testing::Test {
protected:
    void open(const QStringList& stems) {
        const QString name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        modules.reset(new zvk_test::ModuleWindow(name, stems));
    }
    void TearDown() override { modules.reset(); }

    GUIManager& w() { return modules->window(); }
    GUIDeviceScreen& screen() { return Access::device_screen(w()); }
    Ui_device_Frame& ui() { return Access::form(screen()); }
    int rows() { return ui().device_listWidget->count(); }
    QCheckBox* box(int row) {
        return qobject_cast<QCheckBox*>(
            ui().device_listWidget->itemWidget(ui().device_listWidget->item(row)));
    }
    // "1" for a checked row, "0" for an unchecked one, in row order.
    std::string states() {
        std::string s;
        for (int row = 0; row < rows(); ++row)
            s += box(row)->isChecked() ? '1' : '0';
        return s;
    }
    bool select_all_shown() { return !ui().select_all_checkBox->isHidden(); }
    bool select_all_checked() { return ui().select_all_checkBox->isChecked(); }
    bool next_enabled() { return ui().next_pushButton->isEnabled(); }
    void press(int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&screen(), &event);
    }

    std::unique_ptr<zvk_test::ModuleWindow> modules;
};

TEST_F(DeviceScreen, ListsTheModulesDevicesCheckedInIdOrder) {
    open({"standard"});
    ASSERT_TRUE(modules->choose("StandardModule"));
    EXPECT_EQ(Access::page(w()), 1);
    EXPECT_TRUE(ui().device_no_selection_frame->isHidden());
    EXPECT_FALSE(ui().device_selection_frame->isHidden());
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(box(0)->text(), "HardDisk 0 ");
    EXPECT_EQ(box(1)->text(), "HardDisk 1 ");
    EXPECT_EQ(box(2)->text(), "SolidStateDisk 2 ");
    EXPECT_EQ(states(), "111");
    EXPECT_TRUE(select_all_shown());
    EXPECT_TRUE(select_all_checked());
    EXPECT_TRUE(next_enabled());
    // Chosen from the main screen: Back leads there.
    EXPECT_FALSE(ui().back_pushButton->isHidden());
}

TEST_F(DeviceScreen, ClicksKeepSelectAllAndNextInStep) {
    open({"standard"});
    ASSERT_TRUE(modules->choose("StandardModule"));
    // Each step: what is clicked (a row, or -1 for the select-all box), then rows, select-all, Next.
    struct Step {
        int click;
        std::string rows;
        bool select_all;
        bool next;
    } steps[] = {
        {1, "101", false, true},   // one of three unchecked
        {1, "111", true, true},    // checked again
        {0, "011", false, true},   //
        {1, "001", false, true},   //
        {2, "000", false, false},  // none left
        {2, "001", false, true},   //
        {-1, "111", true, true},   // select-all on an unchecked box checks every row
        {-1, "000", false, false}, // and off again unchecks them
        {-1, "111", true, true},   //
    };
    for (const Step& s : steps) {
        if (s.click < 0)
            ui().select_all_checkBox->click();
        else
            box(s.click)->click();
        EXPECT_EQ(states(), s.rows) << "after clicking " << s.click;
        EXPECT_EQ(select_all_checked(), s.select_all) << "after clicking " << s.click;
        EXPECT_EQ(next_enabled(), s.next) << "after clicking " << s.click;
    }
}

TEST_F(DeviceScreen, OneDeviceHasNoSelectAllBox) {
    open({"single"});
    ASSERT_TRUE(modules->choose("SingleModule"));
    ASSERT_EQ(rows(), 1);
    EXPECT_FALSE(select_all_shown());
    EXPECT_EQ(states(), "1");
    EXPECT_TRUE(next_enabled());
    box(0)->click();
    EXPECT_FALSE(next_enabled());
    box(0)->click();
    EXPECT_TRUE(next_enabled());
}

TEST_F(DeviceScreen, NoDevicesHidesSelectAllAndLeavesNextDisabled) {
    // After a module whose list showed the select-all box.
    open({"standard", "no_devices"});
    ASSERT_TRUE(modules->choose("StandardModule"));
    ASSERT_TRUE(select_all_shown());
    w().previous_screen();
    ASSERT_TRUE(modules->choose("NoDevicesModule"));
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(next_enabled());
    EXPECT_TRUE(select_all_checked());
    EXPECT_FALSE(select_all_shown());
    // Clicked all the same, it has no row to check and Next nothing to go on with.
    for (int i = 0; i < 2; ++i) {
        ui().select_all_checkBox->click();
        EXPECT_FALSE(next_enabled()) << "after click " << i + 1;
    }
}

TEST_F(DeviceScreen, ReadOnlyDevicesAreLabelsAndNextSendsNoSelection) {
    open({"read_only"});
    QSignalSpy sent(&screen(), SIGNAL(send_devices_selected(QVector<std::string>)));
    // Next is enabled before the list arrives: watch the moment the module is bound.
    bool next_before_list = false;
    QObject::connect(&w(), &GUIManager::init_screens,
                     [&](int) { next_before_list = ui().next_pushButton->isEnabled(); });
    ASSERT_TRUE(modules->choose("ReadOnlyModule"));
    EXPECT_TRUE(next_before_list);
    EXPECT_EQ(Access::properties(screen()), ScreenProperty::ReadOnlyDevices);
    EXPECT_FALSE(ui().device_no_selection_frame->isHidden());
    EXPECT_TRUE(ui().device_selection_frame->isHidden());
    EXPECT_EQ(rows(), 0);
    QListWidget* list = ui().device_no_selection_listWidget;
    ASSERT_EQ(list->count(), 3);
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) {
        auto* label = qobject_cast<QLabel*>(list->itemWidget(list->item(row)));
        ASSERT_NE(label, nullptr) << row;
        texts << label->text();
    }
    EXPECT_EQ(texts, QStringList({"HardDisk 0 ", "HardDisk 1 ", "SolidStateDisk 2 "}));
    EXPECT_TRUE(next_enabled());

    ui().next_pushButton->click();
    ASSERT_EQ(sent.count(), 1);
    EXPECT_TRUE(sent.at(0).at(0).value<QVector<std::string>>().isEmpty());
    EXPECT_TRUE(Access::selected_devices(w()).isEmpty());
    EXPECT_EQ(Access::page(w()), 2);
}

TEST_F(DeviceScreen, NextHandsOverTheCheckedIdsBeforeMovingOn) {
    open({"standard"});
    ASSERT_TRUE(modules->choose("StandardModule"));
    box(1)->click();
    // At the moment the selection is sent, the window has it and still shows the device screen.
    QVector<std::string> stored;
    int screen_then = 0;
    QObject::connect(&screen(), &GUIDeviceScreen::send_devices_selected, [&](QVector<std::string>) {
        stored = Access::selected_devices(w());
        screen_then = Access::current_screen(w());
    });
    ui().next_pushButton->click();
    EXPECT_EQ(stored, QVector<std::string>({device_0, device_2}));
    EXPECT_EQ(screen_then, ScreenBit::Devices);
    EXPECT_EQ(Access::current_screen(w()), ScreenBit::Tests);
    EXPECT_EQ(Access::page(w()), 2);
}

TEST_F(DeviceScreen, TheChoiceSurvivesAVisitToTheTestScreen) {
    open({"standard"});
    ASSERT_TRUE(modules->choose("StandardModule"));
    box(0)->click();
    ui().next_pushButton->click();
    ASSERT_EQ(Access::page(w()), 2);
    Access::form(Access::test_screen(w())).back_pushButton->click();
    ASSERT_EQ(Access::page(w()), 1);
    EXPECT_FALSE(ui().loading_frame->isHidden()) << "the list is fetched again";
    ASSERT_TRUE(modules->wait_for_devices());
    EXPECT_EQ(states(), "011");
    EXPECT_FALSE(select_all_checked());
    EXPECT_TRUE(next_enabled());
}

TEST_F(DeviceScreen, DevicesThatComeAndGoBetweenUpdates) {
    open({});
    Access::device_screen(w()).init_screen(ScreenBit::Main);
    // Rows follow the ids, not the names.
    QMap<std::string, std::string> first{{"b", "Alpha"}, {"a", "Beta"}};
    screen().update_devices(first);
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(box(0)->text(), "Beta ");
    EXPECT_EQ(box(1)->text(), "Alpha ");
    box(0)->click(); // a unchecked

    QMap<std::string, std::string> second{{"a", "Beta"}, {"c", "Gamma"}};
    screen().update_devices(second);
    EXPECT_EQ(states(), "01") << "a keeps its state, the new c starts checked";
    EXPECT_EQ(Access::check_states(screen()),
              (QMap<std::string, int>{{"a", Qt::Unchecked}, {"c", Qt::Checked}}))
        << "b's state is forgotten";

    QMap<std::string, std::string> third{{"a", "Beta"}, {"b", "Alpha"}, {"c", "Gamma"}};
    screen().update_devices(third);
    EXPECT_EQ(states(), "011") << "b came back as a new device";
    EXPECT_FALSE(select_all_checked());
    EXPECT_EQ(screen().get_checked_devices(), QVector<std::string>({"b", "c"}));

    // An empty map: no rows, Next disabled, and no select-all box over the empty list.
    QMap<std::string, std::string> none;
    screen().update_devices(none);
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(next_enabled());
    EXPECT_TRUE(select_all_checked());
    EXPECT_FALSE(select_all_shown());
}

TEST_F(DeviceScreen, ChoosingTheModuleAgainForgetsTheChoice) {
    open({"standard"});
    ASSERT_TRUE(modules->choose("StandardModule"));
    box(0)->click();
    box(2)->click();
    w().back_to_main();
    EXPECT_TRUE(Access::check_states(screen()).isEmpty());
    ASSERT_TRUE(modules->choose("StandardModule"));
    EXPECT_EQ(states(), "111");
}

TEST_F(DeviceScreen, EscGoesBackAlsoWithoutABackButtonAndOtherKeysDoNothing) {
    open({"standard"});
    ASSERT_TRUE(modules->choose("StandardModule"));
    // A sequence that starts on the device screen has nothing before it.
    screen().init_screen(ScreenBit::Devices);
    EXPECT_TRUE(ui().back_pushButton->isHidden());
    screen().init_screen(ScreenBit::Main);
    EXPECT_FALSE(ui().back_pushButton->isHidden());

    for (int key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Space, Qt::Key_Backspace}) {
        press(key);
        EXPECT_EQ(Access::page(w()), 1) << key;
    }
    screen().init_screen(ScreenBit::Devices);
    press(Qt::Key_Escape);
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_EQ(Access::current_screen(w()), ScreenBit::Main);
}

} // namespace
