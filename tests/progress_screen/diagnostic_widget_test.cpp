// The block of one device: its rows in the table, its height, its averages and its result plate.
#include "diagnostic_widget.h"
#include "test_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QTableWidget>
#include <QWheelEvent>

namespace {

QFrame* plate(DiagnosticWidget& block) {
    return block.findChild<QFrame*>("error_frame");
}
QTableWidget* table(DiagnosticWidget& block) {
    return block.findChild<QTableWidget*>("progress_tableWidget");
}

TEST(DeviceBlock, RowsTakeTableRowsInTheOrderAdded) {
    DiagnosticWidget block("Hard Disk 0 ");
    EXPECT_EQ(block.findChild<QLabel*>("device_name_label")->text(), "Hard Disk 0 ");
    block.add_test(8, "Seek");
    block.add_test(1, "Read");
    block.add_test(4, "Verify");
    ASSERT_EQ(table(block)->rowCount(), 3);
    EXPECT_EQ(table(block)->columnCount(), 1);
    EXPECT_EQ(table(block)->cellWidget(0, 0), block.test_widget(8));
    EXPECT_EQ(table(block)->cellWidget(1, 0), block.test_widget(1));
    EXPECT_EQ(table(block)->cellWidget(2, 0), block.test_widget(4));
    // The row index chose the background; each row starts waiting.
    EXPECT_EQ(block.test_widget(1)->styleSheet(), "background-color: #e6e6e6");
    EXPECT_EQ(block.test_widget(4)->status(), TestWidgetStatus::Waiting);
    EXPECT_EQ(block.test_widget(2), nullptr);
    EXPECT_EQ(table(block)->rowCount(), 3);
    // A code that has a row keeps it, and the table and the map stay in step.
    TestWidget* first = block.test_widget(8);
    block.add_test(8, "Seek again");
    EXPECT_EQ(block.test_widget(8), first);
    EXPECT_EQ(table(block)->rowCount(), 3);
}

TEST(DeviceBlock, HeightFitsEveryRowAndCannotShrinkBelowIt) {
    DiagnosticWidget block("Disk");
    int bare = plate(block)->height() + 20;
    EXPECT_EQ(block.height(), bare);
    for (int code : {1, 2, 4})
        block.add_test(code, "Test");
    block.fit_height();
    int expected = 3 * 30 + plate(block)->height() + 20;
    EXPECT_EQ(block.height(), expected);
    EXPECT_EQ(block.minimumHeight(), expected);
    block.resize(400, 20);
    EXPECT_EQ(block.height(), expected);
    // The column follows the rule's width (down to the table's least section size, 550).
    block.show();
    block.resize(700, expected);
    QApplication::processEvents();
    EXPECT_EQ(table(block)->columnWidth(0), block.findChild<QFrame*>("line")->width() - 2);
}

TEST(DeviceBlock, AverageProgressTruncates) {
    struct Case {
        std::vector<int> progress;
        int average;
    } cases[] = {{{100, 50, 0}, 50}, {{100, 100, 50}, 83}, {{0, 0, 0}, 0}, {{99}, 99}, {{}, 0}};
    for (const Case& c : cases) {
        DiagnosticWidget block("Disk");
        for (size_t i = 0; i < c.progress.size(); ++i) {
            block.add_test(1 << i, "Test");
            block.test_widget(1 << i)->set_progress(c.progress[i]);
        }
        EXPECT_EQ(block.average_progress(), c.average) << ::testing::PrintToString(c.progress);
    }
}

TEST(DeviceBlock, ResultPlateAppearsWithTheModulesText) {
    DiagnosticWidget block("Disk");
    EXPECT_FALSE(plate(block)->isVisibleTo(&block));
    block.set_result_code("2-1-0-0-0");
    EXPECT_TRUE(plate(block)->isVisibleTo(&block));
    EXPECT_EQ(block.findChild<QLabel*>("error_text_label")->text(), "ResultCode:");
    EXPECT_EQ(block.findChild<QLabel*>("error_code_label")->text(), "2-1-0-0-0");
}

TEST(DeviceBlock, AbortRemainingMarksOnlyUnfinishedRows) {
    DiagnosticWidget block("Disk");
    for (int code : {1, 2, 4})
        block.add_test(code, "Test");
    block.test_widget(1)->set_status(TestWidgetStatus::Passed);
    block.test_widget(1)->set_progress(100);
    block.test_widget(2)->set_progress(40);
    block.abort_remaining();
    EXPECT_EQ(block.test_widget(1)->status(), TestWidgetStatus::Passed);
    EXPECT_EQ(block.test_widget(2)->status(), TestWidgetStatus::Aborted);
    EXPECT_EQ(block.test_widget(4)->status(), TestWidgetStatus::Aborted);
}

TEST(DeviceBlock, WheelIsLeftForTheParents) {
    DiagnosticWidget block("Disk");
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&block, &wheel);
    EXPECT_FALSE(wheel.isAccepted()); // so it goes on to the progress screen's scroll area
}

} // namespace
