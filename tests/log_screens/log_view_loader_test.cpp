// The log view's loader: a long text shows its beginning at once and then, joined in the background,
// exactly what QTextEdit::setText of the whole text shows.
#include "log_fixture.h"
#include "log_html.h"
#include "log_reader.h"
#include "log_view_loader.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSignalSpy>
#include <QTextEdit>

#include <memory>

using namespace log_fixture;

namespace {

const std::int64_t first_key = 1796811300;

// The HTML of `runs` runs of two sections each, and where each run's text begins.
struct Text {
    QString html;
    QVector<qsizetype> starts;
};

Text runs_text(int runs) {
    std::string log;
    for (int i = 0; i < runs; ++i) {
        const std::int64_t key = first_key + i * 3600;
        log += section("StandardModule", key, "Disk " + std::to_string(i)) +
               section("StatusModule", key, "Drive " + std::to_string(i), i % 3 == 1);
    }
    write_log(log);
    LogReader reader;
    EXPECT_EQ(reader.open(), 0);
    reader.parse();
    reader.set_interval(first_key, first_key + runs * 3600);
    LogHtml html;
    Text text;
    bool more = true;
    while (more) {
        text.starts.append(html.html().size());
        more = html.add_group(reader.next_group(), 0, "ALL");
    }
    text.html = html.html();
    return text;
}

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        view.setLineWrapMode(QTextEdit::NoWrap);
        view.setReadOnly(true);
        view.resize(600, 300);
        view.show();
    }
    // Every run a piece of its own, so that pieces finish in any order.
    LogViewLoader* loader(qsizetype direct_limit = 100) { return new LogViewLoader(&view, direct_limit, 1); }

    QTextEdit view;
};

TEST_F(Loader, LongTextShowsItsBeginningThenTheWhole) {
    const Text text = runs_text(12);
    LogViewLoader* l = loader();
    QSignalSpy loaded(l, SIGNAL(loaded()));
    l->show(text.html, text.starts);
    EXPECT_TRUE(l->loading());
    EXPECT_EQ(view_content(&view), content_of(text.html.left(text.starts[1])));

    ASSERT_TRUE(loaded.wait(60000));
    EXPECT_FALSE(l->loading());
    EXPECT_EQ(view_content(&view), content_of(text.html));
    EXPECT_TRUE(view.isReadOnly());

    // A second long text replaces the first the same way.
    const Text other = runs_text(7);
    l->show(other.html, other.starts);
    ASSERT_TRUE(loaded.wait(60000));
    EXPECT_EQ(view_content(&view), content_of(other.html));
    EXPECT_EQ(loaded.count(), 2);
}

TEST_F(Loader, ShortTextGoesInAtOnce) {
    const Text text = runs_text(2);
    LogViewLoader* l = loader(text.html.size());
    QSignalSpy loaded(l, SIGNAL(loaded()));
    l->show(text.html, text.starts);
    EXPECT_FALSE(l->loading());
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(view_content(&view), content_of(text.html));
}

TEST_F(Loader, NewTextOrCancelGivesUpTheLoadUnderWay) {
    const Text first = runs_text(10);
    const Text second = runs_text(4);
    LogViewLoader* l = loader();
    QSignalSpy loaded(l, SIGNAL(loaded()));
    l->show(first.html, first.starts);
    l->show(second.html, second.starts);
    ASSERT_TRUE(loaded.wait(60000));
    EXPECT_EQ(view_content(&view), content_of(second.html));

    l->show(first.html, first.starts);
    l->cancel();
    EXPECT_FALSE(l->loading());
    const QString head = view_content(&view);
    EXPECT_EQ(head, content_of(first.html.left(first.starts[1])));
    EXPECT_FALSE(loaded.wait(1000)); // nothing arrives any more
    EXPECT_EQ(view_content(&view), head);
    EXPECT_EQ(loaded.count(), 1);
}

TEST_F(Loader, PlaceInTheBeginningStaysInView) {
    const Text text = runs_text(12);
    LogViewLoader* l = loader(100);
    QSignalSpy loaded(l, SIGNAL(loaded()));
    // A first piece long enough to scroll in: the first three runs.
    l->show(text.html, {0, text.starts[3]});
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    const int place = view.verticalScrollBar()->value();
    ASSERT_GT(place, 0);
    ASSERT_TRUE(loaded.wait(60000));
    EXPECT_EQ(view.verticalScrollBar()->value(), place);
}

TEST(LoaderLife, ViewMayGoWhileTheLoadRuns) {
    const Text text = runs_text(10);
    auto view = std::make_unique<QTextEdit>();
    auto* l = new LogViewLoader(view.get(), 100, 1);
    l->show(text.html, text.starts);
    view.reset(); // takes the loader with it, which waits for the pieces under way
    SUCCEED();
}

} // namespace
