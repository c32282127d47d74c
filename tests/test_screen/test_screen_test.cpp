// The test screen with the test modules' test lists: every test checked at first behind the folded
// list, the select-all box and Run in step with the user's clicks, the choice kept while the screen
// comes and goes, and the codes handed back in ascending order before the flow moves on.
#include "gui_manager_access.h"
#include "gui_module_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTranslator>

using Access = GUIManagerTestAccess;

namespace {

class TestScreen : public ::testing::Test {
protected:
    void open(const QStringList& stems) {
        const QString name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        modules.reset(new zvk_test::ModuleWindow(name, stems));
    }
    void TearDown() override { modules.reset(); }
    // Chooses the module and goes on from its device screen (every device checked) to the test screen.
    void reach_tests(const QString& module) {
        ASSERT_TRUE(modules->choose(module));
        Access::form(Access::device_screen(w())).next_pushButton->click();
        ASSERT_EQ(Access::page(w()), 2);
    }

    GUIManager& w() { return modules->window(); }
    GUITestScreen& screen() { return Access::test_screen(w()); }
    Ui_test_Frame& ui() { return Access::form(screen()); }
    int rows() { return ui().tests_listWidget->count(); }
    QCheckBox* box(int row) {
        return qobject_cast<QCheckBox*>(ui().tests_listWidget->itemWidget(ui().tests_listWidget->item(row)));
    }
    std::string states() {
        std::string s;
        for (int row = 0; row < rows(); ++row)
            s += box(row)->isChecked() ? '1' : '0';
        return s;
    }
    bool select_all_shown() { return !ui().select_all_checkBox->isHidden(); }
    bool select_all_checked() { return ui().select_all_checkBox->isChecked(); }
    bool run_enabled() { return ui().run_tests_pushButton->isEnabled(); }
    // Runs, and tells what the window had stored, and on which screen it was, when the codes came.
    QVector<int> run() {
        QVector<int> stored;
        int screen_then = 0;
        QMetaObject::Connection c =
            QObject::connect(&screen(), &GUITestScreen::send_selected_tests, [&](QVector<int>) {
                stored = Access::selected_tests(w());
                screen_then = Access::current_screen(w());
            });
        ui().run_tests_pushButton->click();
        QObject::disconnect(c);
        EXPECT_EQ(screen_then, ScreenBit::Tests) << "the codes arrive before the flow moves on";
        return stored;
    }
    // After the test screen comes the log screen, which starts nothing on the module.
    void end_sequence_after_tests() {
        Access::used_screens(w()) =
            ScreenBit::Main | ScreenBit::Devices | ScreenBit::Tests | ScreenBit::Log | ScreenBit::End;
    }

    std::unique_ptr<zvk_test::ModuleWindow> modules;
};

TEST_F(TestScreen, ListsTheModulesTestsFoldedAndChecked) {
    open({"standard"});
    reach_tests("StandardModule");
    EXPECT_TRUE(ui().test_selection_frame->isHidden());
    EXPECT_FALSE(Access::advanced_mode(screen()));
    EXPECT_EQ(ui().advanced_pushButton->text(), "SelectTestsOptions");
    ASSERT_EQ(rows(), 3);
    const int codes[] = {1, 2, 4};
    const char* names[] = {"ReadTest", "WriteTest", "VerifyTest"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(ui().tests_listWidget->item(row)->type(), codes[row]);
        EXPECT_EQ(box(row)->text(), names[row]);
        EXPECT_TRUE(box(row)->toolTip().isEmpty());
    }
    EXPECT_EQ(states(), "111");
    EXPECT_TRUE(select_all_shown());
    EXPECT_TRUE(run_enabled());
    EXPECT_FALSE(ui().back_pushButton->isHidden());
}

TEST_F(TestScreen, ClicksKeepSelectAllAndRunInStep) {
    open({"standard"});
    reach_tests("StandardModule");
    ui().advanced_pushButton->click();
    struct Step {
        int click; // a row, or -1 for the select-all box
        std::string rows;
        bool select_all;
        bool run;
    } steps[] = {
        {2, "110", false, true},  {2, "111", true, true},  {0, "011", false, true}, {1, "001", false, true},
        {2, "000", false, false}, {0, "100", false, true}, {-1, "111", true, true}, {-1, "000", false, false},
        {1, "010", false, true},  {-1, "111", true, true},
    };
    for (const Step& s : steps) {
        if (s.click < 0)
            ui().select_all_checkBox->click();
        else
            box(s.click)->click();
        EXPECT_EQ(states(), s.rows) << "after clicking " << s.click;
        EXPECT_EQ(select_all_checked(), s.select_all) << "after clicking " << s.click;
        EXPECT_EQ(run_enabled(), s.run) << "after clicking " << s.click;
    }
}

TEST_F(TestScreen, OneTestHasNoSelectAllBoxAndMoreTestsBringItBack) {
    open({"single", "standard"});
    reach_tests("SingleModule");
    ASSERT_EQ(rows(), 1);
    EXPECT_FALSE(select_all_shown());
    EXPECT_TRUE(run_enabled());
    box(0)->click();
    EXPECT_FALSE(run_enabled());

    w().back_to_main();
    reach_tests("StandardModule");
    EXPECT_EQ(rows(), 3);
    EXPECT_TRUE(select_all_shown());

    w().back_to_main();
    reach_tests("SingleModule");
    EXPECT_EQ(states(), "1") << "a new module starts with every test checked";
    EXPECT_FALSE(select_all_shown());
}

TEST_F(TestScreen, RunWithTheListNeverUnfoldedSendsEveryCode) {
    open({"statuses"});
    reach_tests("StatusModule");
    end_sequence_after_tests();
    QSignalSpy sent(&screen(), SIGNAL(send_selected_tests(QVector<int>)));
    EXPECT_EQ(run(), QVector<int>({1, 2, 4, 8, 16}));
    EXPECT_EQ(sent.count(), 1);
    EXPECT_EQ(Access::page(w()), 4);
}

TEST_F(TestScreen, FoldingKeepsTheUncheckedTestsOut) {
    open({"statuses"});
    reach_tests("StatusModule");
    end_sequence_after_tests();
    ui().advanced_pushButton->click();
    EXPECT_FALSE(ui().test_selection_frame->isHidden());
    EXPECT_EQ(ui().advanced_pushButton->text(), "DefaultTestsOptions");
    EXPECT_EQ(ui().test_selection_label->toolTip(), "HideTestsTooltip");
    box(1)->click();
    box(3)->click();
    ui().advanced_pushButton->click();
    EXPECT_TRUE(ui().test_selection_frame->isHidden());
    EXPECT_EQ(ui().advanced_pushButton->text(), "SelectTestsOptions");
    EXPECT_EQ(ui().test_selection_label->toolTip(), "ShowTestsTooltip");
    EXPECT_EQ(states(), "10101");
    EXPECT_EQ(run(), QVector<int>({1, 4, 16}));
}

TEST_F(TestScreen, TheChoiceStaysWhileTheScreenComesAndGoes) {
    open({"standard"});
    reach_tests("StandardModule");
    ui().advanced_pushButton->click();
    box(1)->click();
    ui().back_pushButton->click();
    ASSERT_EQ(Access::page(w()), 1);
    ASSERT_TRUE(modules->wait_for_devices());
    Access::form(Access::device_screen(w())).next_pushButton->click();
    ASSERT_EQ(Access::page(w()), 2);
    EXPECT_EQ(states(), "101");
    EXPECT_FALSE(select_all_checked());
    EXPECT_TRUE(Access::advanced_mode(screen())) << "the list stays unfolded";

    // Back to the main screen empties the screen; the next module refills it.
    w().back_to_main();
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(run_enabled());
    EXPECT_TRUE(ui().test_selection_frame->isHidden());
}

// Translates test names, so the rows show words and the tool-tip rule still looks at the token.
class NameTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (QByteArray(context) != "Translations")
            return QString();
        return "T:" + QString(source);
    }
    bool isEmpty() const override { return false; }
};

TEST_F(TestScreen, OnlyTheSmartDriveSelfTestHasATooltip) {
    open({});
    screen().init_screen(ScreenBit::Main);
    QMap<int, std::string> tests{{64, "SmartTest"}, {2, "SmartDriveSelfTest"}, {1, "ReadTest"}};
    NameTranslator names;
    QCoreApplication::installTranslator(&names);
    screen().update_tests(tests);
    QCoreApplication::removeTranslator(&names);
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(box(1)->text(), "T:SmartDriveSelfTest");
    EXPECT_EQ(box(1)->toolTip(), "This is the SmartDriveSelfTest");
    EXPECT_TRUE(box(0)->toolTip().isEmpty());
    EXPECT_TRUE(box(2)->toolTip().isEmpty());
}

TEST_F(TestScreen, AnEmptyTestMapLeavesOnlyTheWayBack) {
    open({});
    screen().init_screen(ScreenBit::Main);
    QMap<int, std::string> none;
    screen().update_tests(none);
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(select_all_shown());
    EXPECT_FALSE(run_enabled());
}

TEST_F(TestScreen, EscGoesBackAlsoWithoutABackButtonAndOtherKeysDoNothing) {
    open({"standard"});
    reach_tests("StandardModule");
    screen().init_screen(ScreenBit::Tests);
    EXPECT_TRUE(ui().back_pushButton->isHidden());
    for (int key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Space}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&screen(), &event);
        EXPECT_EQ(Access::page(w()), 2) << key;
    }
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&screen(), &esc);
    EXPECT_EQ(Access::page(w()), 1);
    EXPECT_EQ(Access::current_screen(w()), ScreenBit::Devices);
}

} // namespace
