// The log view: bounded, and a view the user has moved stays where it is while lines arrive.
#include "app/LogView.h"

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "tests/support/qt_helpers.h"

namespace {

QString line(int i) {
    return QStringLiteral("%1: a line long enough to need the horizontal scroll bar of a small view, number %1")
        .arg(i, 6, 10, QLatin1Char('0'));
}

struct ShownLog {
    ShownLog() {
        view.resize(300, 200);
        view.show();
        EXPECT_TRUE(bv_test::wait_for([&] { return view.isVisible(); }));
    }
    void add(int from, int to) {
        for (int i = from; i < to; ++i)
            view.append_line(line(i));
        QCoreApplication::processEvents();
    }
    QString top_line() const { return view.cursorForPosition(QPoint(2, 2)).block().text(); }
    QScrollBar* vertical() const { return view.verticalScrollBar(); }
    QScrollBar* horizontal() const { return view.horizontalScrollBar(); }
    LogView view;
};

} // namespace

TEST(LogView, KeepsTheNewestLinesAndFollowsTheEndWhenAtTheBottom) {
    ShownLog log;
    log.add(0, 1);
    EXPECT_EQ(log.view.document()->firstBlock().text(), line(0)); // the first line takes the empty one
    log.add(1, LogView::max_lines + 250);
    EXPECT_EQ(log.view.blockCount(), LogView::max_lines);
    EXPECT_EQ(log.view.document()->firstBlock().text(), line(250));
    EXPECT_EQ(log.view.document()->lastBlock().text(), line(LogView::max_lines + 249));
    EXPECT_EQ(log.vertical()->value(), log.vertical()->maximum());
    EXPECT_GT(log.vertical()->maximum(), 0);
}

TEST(LogView, AViewScrolledAwayKeepsItsLinesAndItsSidewaysPosition) {
    ShownLog log;
    log.add(0, 100);
    log.vertical()->setValue(40);
    log.horizontal()->setValue(log.horizontal()->maximum() / 2);
    const int left = log.horizontal()->value();
    ASSERT_GT(left, 0);
    const QString reading = log.top_line();
    log.add(100, 200);
    EXPECT_EQ(log.top_line(), reading);
    EXPECT_EQ(log.horizontal()->value(), left);

    // Once the oldest lines are dropped, the text moves up under the view, and the view follows it.
    log.add(200, LogView::max_lines + 30);
    EXPECT_EQ(log.top_line(), reading);
    EXPECT_EQ(log.horizontal()->value(), left);

    // Back at the bottom, the view follows the end again.
    log.vertical()->setValue(log.vertical()->maximum());
    log.add(LogView::max_lines + 30, LogView::max_lines + 40);
    EXPECT_EQ(log.vertical()->value(), log.vertical()->maximum());
    EXPECT_EQ(log.view.document()->lastBlock().text(), line(LogView::max_lines + 39));
}

TEST(LogView, NobodyTypesIntoTheLog) {
    ShownLog log;
    log.add(0, 50);
    log.view.setFocus();
    QTest::keyClicks(&log.view, "typed");
    QTest::keyClick(&log.view, Qt::Key_Backspace);
    EXPECT_EQ(log.view.blockCount(), 50);
    EXPECT_EQ(log.view.document()->lastBlock().text(), line(49));
}
