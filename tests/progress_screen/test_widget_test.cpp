// One test row: its background by parity, what each status shows, and the progress it keeps.
#include "test_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace {

// What a row shows, read from its form's widgets.
struct RowView {
    explicit RowView(TestWidget& row)
        : name(row.findChild<QLabel*>("test_name_label")), word(row.findChild<QLabel*>("test_status")),
          percent(row.findChild<QLabel*>("progress_label")),
          bar(row.findChild<QProgressBar*>("test_progressBar")), icon(row.findChild<QLabel*>("img_label")) {}
    // isVisibleTo: the row is never shown on screen here.
    bool shown(QWidget* w) const { return w->isVisibleTo(w->parentWidget()); }
    bool icon_shown() const { return shown(icon) && !icon->pixmap().isNull(); }
    QLabel* name;
    QLabel* word;
    QLabel* percent;
    QProgressBar* bar;
    QLabel* icon;
};

TEST(TestRow, BackgroundAlternatesByRowIndex) {
    for (int row = 0; row < 6; ++row) {
        TestWidget widget("ReadTest", row);
        EXPECT_EQ(widget.styleSheet(), row % 2 == 0 ? "background-color: #fff" : "background-color: #e6e6e6")
            << "row " << row;
    }
}

TEST(TestRow, ConstructorShowsTheNameAndHidesTheBarText) {
    TestWidget widget("Disk read test", 0);
    RowView view(widget);
    EXPECT_EQ(view.name->text(), "Disk read test");
    EXPECT_FALSE(view.bar->isTextVisible());
    EXPECT_FALSE(view.shown(view.percent));
    EXPECT_EQ(widget.status(), TestWidgetStatus::Waiting);
    EXPECT_EQ(widget.progress(), 0);
    EXPECT_TRUE(view.bar->styleSheet().contains("barraverde_1x14.png"));
}

TEST(TestRow, EachStatusShowsItsWordBarAndIcon) {
    struct Case {
        int status;
        const char* word;
        bool enabled;
        bool bar;
        const char* icon; // resource file name, or null for none
    } cases[] = {
        {TestWidgetStatus::Waiting, "Waiting", false, false, nullptr},
        {TestWidgetStatus::Running, "Running", true, true, nullptr},
        {TestWidgetStatus::Passed, "Passed", true, false, "icnOk_16x16.png"},
        {TestWidgetStatus::Failed, "Failed", true, false, "icnError_16x16.png"},
        {TestWidgetStatus::NotSupported, "NotSupported", true, false, "icnIgnored_16x16.png"},
        {TestWidgetStatus::Aborted, "Aborted", true, false, "icnAlert_16x16.png"},
    };
    for (const Case& c : cases) {
        TestWidget widget("ReadTest", 0);
        RowView view(widget);
        widget.set_progress(60);
        widget.set_status(c.status);
        SCOPED_TRACE(c.word);
        EXPECT_EQ(widget.status(), c.status);
        EXPECT_EQ(view.word->text(), c.word);
        EXPECT_EQ(view.name->isEnabled(), c.enabled);
        EXPECT_EQ(view.word->isEnabled(), c.enabled);
        EXPECT_EQ(view.shown(view.bar), c.bar);
        EXPECT_EQ(view.shown(view.percent), c.bar);
        EXPECT_EQ(view.icon_shown(), c.icon != nullptr);
        if (c.icon) {
            QImage expected(QString(":/gui_zvk_lite/Resources/Icons/") + c.icon);
            ASSERT_FALSE(expected.isNull());
            EXPECT_EQ(expected.size(), QSize(16, 16));
            const auto format = QImage::Format_ARGB32_Premultiplied; // as a pixmap holds it
            EXPECT_EQ(view.icon->pixmap().toImage().convertToFormat(format),
                      expected.convertToFormat(format));
        }
    }
}

TEST(TestRow, StatusOutsideTheTableIsKeptAndChangesNothing) {
    TestWidget widget("ReadTest", 0);
    RowView view(widget);
    widget.set_status(TestWidgetStatus::Passed);
    for (int status : {7, -1, 6}) {
        widget.set_status(status);
        EXPECT_EQ(widget.status(), status);
        EXPECT_EQ(view.word->text(), "Passed");
        EXPECT_TRUE(view.icon_shown());
        EXPECT_FALSE(view.shown(view.bar));
    }
}

TEST(TestRow, ProgressGoesToLabelAndBarWithinRange) {
    TestWidget widget("ReadTest", 0);
    RowView view(widget);
    widget.set_status(TestWidgetStatus::Running);
    EXPECT_EQ(view.percent->text(), "0%");
    EXPECT_EQ(view.bar->value(), 0);
    widget.set_progress(42);
    EXPECT_EQ(view.percent->text(), "42%");
    EXPECT_EQ(view.bar->value(), 42);
    widget.set_progress(150); // out of range: the label says it, the bar keeps its place
    EXPECT_EQ(widget.progress(), 150);
    EXPECT_EQ(view.percent->text(), "150%");
    EXPECT_EQ(view.bar->value(), 42);
}

TEST(TestRow, RunningAgainAfterPassedShowsTheBarWithItsLastValue) {
    TestWidget widget("ReadTest", 0);
    RowView view(widget);
    widget.set_status(TestWidgetStatus::Running);
    widget.set_progress(70);
    widget.set_status(TestWidgetStatus::Passed);
    widget.set_progress(100);
    EXPECT_TRUE(view.icon_shown());
    EXPECT_FALSE(view.shown(view.bar)); // whatever the progress
    widget.set_status(TestWidgetStatus::Running);
    EXPECT_FALSE(view.shown(view.icon));
    EXPECT_TRUE(view.shown(view.bar));
    EXPECT_EQ(view.bar->value(), 100);
    EXPECT_EQ(view.percent->text(), "100%");
}

TEST(TestRow, StatusColumnFitsTheWidestKeyInTheApplicationFont) {
    QFont saved = QApplication::font();
    QApplication::setFont(QFont(saved.family(), 20));
    TestWidget widget("ReadTest", 0);
    widget.fit_status_width();
    QFontMetrics metrics(QApplication::font());
    int widest = 0;
    for (const char* key : {"Waiting", "Failed", "Passed", "Running", "NotSupported"})
        widest = std::max(widest, metrics.horizontalAdvance(key));
    EXPECT_EQ(widget.findChild<QLabel*>("test_status")->minimumWidth(), widest);
    QApplication::setFont(saved);
}

} // namespace
