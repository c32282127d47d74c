// The main screen: one button a module in a grid whose columns follow the width, in module-name
// order, each click naming its module; rebuilt every time the screen is shown.
#include "event_wait.h"
#include "gui_manager_access.h"
#include "gui_module_window.h"
#include "secure_library.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QKeySequence>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

using Access = GUIManagerTestAccess;
using Modules = QMap<QString, QSharedPointer<SecureLibrary>>;
using Images = QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>>;

namespace {

// The screen's own view of a module: a name and a library object; no file behind it.
Modules named(const QStringList& names) {
    Modules modules;
    for (const QString& name : names)
        modules.insert(name, QSharedPointer<SecureLibrary>(new SecureLibrary()));
    return modules;
}

class MainScreen : public ::testing::Test {
protected:
    void SetUp() override {
        saved_dir = QDir::currentPath();
        QDir::setCurrent(zvk_test::fresh_dir("main_screen"));
        window.reset(new GUIManager(nullptr, Qt::WindowFlags()));
        // A screen of its own, apart from the window's page, so its buttons are the test's alone.
        screen.reset(new GUIMainScreen(window.get()));
    }
    void TearDown() override {
        screen.reset();
        window.reset();
        QDir::setCurrent(saved_dir);
    }
    void resize_to(int width) {
        QResizeEvent event(QSize(width, 400), screen->size());
        QCoreApplication::sendEvent(screen.get(), &event);
    }
    // The width of the screen for which the column rule gives exactly k columns.
    int width_for(int k) {
        const int spacing = Access::grid(*screen)->horizontalSpacing();
        const int bar = Access::form(*screen).buttons_scrollArea->horizontalScrollBar()->sizeHint().width();
        return k * (100 + spacing) - spacing + bar;
    }
    QToolButton* button(int id) {
        return qobject_cast<QToolButton*>(Access::button_group(*screen).button(id));
    }
    QPoint cell(int id) {
        QGridLayout* grid = Access::grid(*screen);
        int row = -1, column = -1, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(button(id)), &row, &column, &rows, &columns);
        return QPoint(column, row);
    }

    QString saved_dir;
    std::unique_ptr<GUIManager> window;
    std::unique_ptr<GUIMainScreen> screen;
};

TEST_F(MainScreen, ResizeBeforeTheFirstButtonsDoesNotFail) {
    resize_to(800);
    resize_to(0);
    Modules modules = named({"a", "b"});
    Images images;
    screen->set_modules(modules, images);
    EXPECT_EQ(Access::button_names(*screen).size(), 2);
}

TEST_F(MainScreen, ColumnCountAtItsBoundary) {
    Modules modules = named({"m"});
    Images images;
    screen->set_modules(modules, images);
    for (int k : {1, 2, 3, 7, 12}) {
        resize_to(width_for(k));
        EXPECT_EQ(Access::columns(*screen), k) << "exactly " << k << " cells wide";
        resize_to(width_for(k) - 1);
        // Narrower than one cell still keeps one column.
        EXPECT_EQ(Access::columns(*screen), std::max(1, k - 1)) << "a pixel less than " << k << " cells";
    }
}

TEST_F(MainScreen, SevenModulesFillTheRowsInIdOrder) {
    Modules modules = named({"m0", "m1", "m2", "m3", "m4", "m5", "m6"});
    Images images;
    screen->set_modules(modules, images);
    struct Case {
        int columns;
        std::vector<QPoint> cells; // (column, row) of ids 0 to 6
    } cases[] = {
        {3, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}}},
        {4, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}}},
    };
    for (const Case& c : cases) {
        resize_to(width_for(c.columns));
        ASSERT_EQ(Access::columns(*screen), c.columns);
        for (int id = 0; id < 7; ++id)
            EXPECT_EQ(cell(id), c.cells[id]) << c.columns << " columns, id " << id;
    }
    // A rebuild uses the column count of the last resize.
    screen->set_modules(modules, images);
    for (int id = 0; id < 7; ++id)
        EXPECT_EQ(cell(id), cases[1].cells[id]) << "rebuilt, id " << id;
}

// Adds a mark to every module name it is asked for.
class MarkingTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (QByteArray(context) != "Translations")
            return QString();
        return QString(source) + " (translated)";
    }
    bool isEmpty() const override { return false; }
};

TEST_F(MainScreen, ButtonsFollowNameOrderAndAClickNamesTheUntranslatedModule) {
    Modules modules = named({"alpha", "Zeta", "beta"});
    Images images;
    MarkingTranslator marks;
    QCoreApplication::installTranslator(&marks);
    screen->set_modules(modules, images);
    QCoreApplication::removeTranslator(&marks);

    // Upper case sorts before lower case.
    const QStringList texts{button(0)->text(), button(1)->text(), button(2)->text()};
    EXPECT_EQ(texts, QStringList({"Zeta (translated)", "alpha (translated)", "beta (translated)"}));
    EXPECT_EQ(button(0)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    QSignalSpy clicked(screen.get(), SIGNAL(button_clicked(const QString&)));
    button(1)->click();
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toString(), "alpha");
}

TEST_F(MainScreen, IconIsHalfThePictureRoundedAndAModuleWithoutPictureHasNone) {
    Modules modules = named({"a_odd", "b_even", "c_none", "d_empty"});
    Images images;
    QPixmap odd(101, 75), even(129, 64);
    odd.fill(Qt::red);
    even.fill(Qt::blue);
    images.insert(modules.value("a_odd"), QSharedPointer<QPixmap>(new QPixmap(odd)));
    images.insert(modules.value("b_even"), QSharedPointer<QPixmap>(new QPixmap(even)));
    images.insert(modules.value("d_empty"), QSharedPointer<QPixmap>(new QPixmap()));
    screen->set_modules(modules, images);

    EXPECT_EQ(button(0)->iconSize(), QSize(51, 38));
    EXPECT_EQ(button(1)->iconSize(), QSize(65, 32));
    for (int id : {2, 3}) {
        EXPECT_TRUE(button(id)->icon().isNull()) << id;
        EXPECT_EQ(button(id)->iconSize(), QSize(0, 0)) << id;
    }
    EXPECT_EQ(button(2)->text(), "c_none");
}

// The window's own page, with the test modules in the working folder.
TEST(MainScreenInTheWindow, ReturningRebuildsTheButtonsAndTheirIdsStartAgain) {
    zvk_test::ModuleWindow w("main_screen_return", {"single", "standard", "statuses"});
    GUIMainScreen& screen = Access::main_screen(w.window());
    const QStringList names{"SingleModule", "StandardModule", "StatusModule"};
    ASSERT_EQ(Access::button_names(screen).values(), names);

    QPointer<QAbstractButton> old_button = w.module_button("StandardModule");
    ASSERT_TRUE(w.choose("StandardModule"));
    EXPECT_EQ(Access::module_name(w.window()), "StandardModule");
    EXPECT_EQ(Access::page(w.window()), 1);

    w.window().back_to_main();
    EXPECT_EQ(Access::page(w.window()), 0);
    EXPECT_TRUE(old_button.isNull()) << "the old buttons are deleted";
    EXPECT_EQ(Access::button_names(screen).keys(), QList<int>({0, 1, 2}));
    EXPECT_EQ(Access::button_names(screen).values(), names);
    EXPECT_EQ(Access::button_group(screen).buttons().size(), 3);

    // The module chosen before is chosen again through its new button.
    ASSERT_TRUE(w.choose("StandardModule"));
    EXPECT_EQ(Access::module_name(w.window()), "StandardModule");
    EXPECT_EQ(Access::page(w.window()), 1);
}

TEST(MainScreenInTheWindow, PastLogsOpensTheLogSelectionPage) {
    zvk_test::ModuleWindow w("main_screen_past_logs", {});
    Access::form(Access::main_screen(w.window())).past_logs_pushButton->click();
    EXPECT_EQ(Access::page(w.window()), 5);
}

// The window at its minimum size with the names translations give: every module button lies inside
// the visible part of the screen, or a scroll bar the user sees brings it there. Where every button fits
// the nominal cell, the columns are those the width gives for that cell.
TEST(MainScreenInTheWindow, EveryModuleButtonCanBeSeenWholeAt800x600) {
    const QString very_long = QString("AModuleWhoseTranslatedNameIsLongerThanTheWholeWindow").repeated(3);
    QStringList short_names, one_long, fourteen;
    for (int i = 0; i < 9; ++i)
        short_names << "m" + QString::number(i);
    one_long = QStringList{"BatteryDiagnostics",     "CPUStressDiagnostics",   "HardDiskDiagnostics",
                           "MemoryDiagnostics",      "MotherboardDiagnostics", "NetworkAdapterDiagnostics",
                           "OpticalDriveDiagnostics"};
    for (int i = 0; i < 13; ++i)
        fourteen << "Module" + QString::number(i + 10);
    fourteen << "TheDiagnosticsOfEveryWirelessNetworkAdapterAndBluetoothController";
    struct Case {
        const char* what;
        QStringList names;
        bool bar; // a horizontal scroll bar is needed
    } cases[] = {
        {"short", short_names, false},
        {"seven", one_long, false},
        {"fourteen_one_long", fourteen, false},
        {"longer_than_the_window", QStringList{"alpha", very_long, "omega"}, true},
    };
    zvk_test::ModuleWindow w("main_screen_800x600", {});
    GUIManager& window = w.window();
    GUIMainScreen& screen = Access::main_screen(window);
    QScrollArea* area = Access::form(screen).buttons_scrollArea;
    window.resize(800, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QPixmap picture(48, 48);
    picture.fill(Qt::darkCyan);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Modules modules = named(c.names);
        Images images;
        for (const auto& library : modules)
            images.insert(library, QSharedPointer<QPixmap>(new QPixmap(picture)));
        screen.set_modules(modules, images);
        zvk_test::process_events_for(50);
        window.grab().save(qEnvironmentVariable("ZVK_TEST_WORK_DIR") + "/main_screen_" + c.what + ".png");

        EXPECT_EQ(area->horizontalScrollBar()->isVisible(), c.bar);
        if (c.names == short_names) {
            const int spacing = Access::grid(screen)->horizontalSpacing();
            const int bar = area->horizontalScrollBar()->sizeHint().width();
            EXPECT_EQ(Access::columns(screen), (screen.width() + spacing - bar) / (100 + spacing));
        }
        QWidget* view = area->viewport();
        for (QAbstractButton* button : Access::button_group(screen).buttons()) {
            // A button wider than the view is seen part by part: its left end and its right end.
            const int part = qMin(button->width(), view->width());
            for (int x : {0, button->width() - part}) {
                const QPoint start =
                    button->mapTo(Access::form(screen).buttons_scrollArea->widget(), QPoint(x, 0));
                area->ensureVisible(start.x(), start.y(), 0, 0);
                area->ensureVisible(start.x() + part, start.y() + button->height(), 0,
                                    0); // the end, exclusive
                zvk_test::process_events_for(10);
                const QRect at(button->mapTo(view, QPoint(x, 0)), QSize(part, button->height()));
                EXPECT_TRUE(view->rect().contains(at))
                    << button->text().toStdString() << " at " << at.x() << "," << at.y() << " " << at.width()
                    << "x" << at.height() << " in a view of " << view->width() << "x" << view->height();
            }
        }
        area->horizontalScrollBar()->setValue(0);
        area->verticalScrollBar()->setValue(0);
    }
}

TEST(MainScreenInTheWindow, AModuleNameShowsEveryCharacterAndMakesNoShortcut) {
    zvk_test::ModuleWindow w("main_screen_ampersand", {});
    GUIMainScreen& screen = Access::main_screen(w.window());
    Modules modules = named({"R&D Tools", "<b>Bold</b>"});
    Images images;
    screen.set_modules(modules, images);
    for (QAbstractButton* button : Access::button_group(screen).buttons()) {
        SCOPED_TRACE(button->text().toStdString());
        EXPECT_TRUE(QKeySequence::mnemonic(button->text()).isEmpty()) << "a shortcut";
        EXPECT_TRUE(modules.contains(QString(button->text()).replace("&&", "&")));
    }
}

} // namespace
