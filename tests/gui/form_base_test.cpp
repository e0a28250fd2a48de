#include "gui/FormBase.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct KeyLog : QWidget, gui::DialogKeyTarget {
    KeyLog(QWidget* parent, std::vector<std::pair<KeyLog*, int>>& log, bool consume = false)
        : QWidget(parent), log(log), consume(consume) {}
    bool dialog_key(int key) override {
        log.emplace_back(this, key);
        return consume;
    }
    std::vector<std::pair<KeyLog*, int>>& log;
    bool consume;
};

struct ClosingDialog : gui::DialogForm {
    gui::CloseAction wanted = gui::CloseAction::Hide;
    int close_queries = 0;
    void FormClose(gui::CloseAction& action) override {
        ++close_queries;
        action = wanted;
    }
};

struct ClosingWindow : gui::MainWindowForm {
    gui::CloseAction wanted = gui::CloseAction::Hide;
    void FormClose(gui::CloseAction& action) override { action = wanted; }
};

TEST(FormBase, ModalResultEndsModalLoopAndIsReturned) {
    ClosingDialog dialog;
    QTimer::singleShot(0, &dialog, [&] { dialog.SetModalResult(gui::mrRetry); });
    EXPECT_EQ(dialog.ShowModal(), gui::mrRetry);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.close_queries, 1);
}

TEST(FormBase, ClosingModalFormGivesCancelAndRefusalKeepsLoopRunning) {
    ClosingDialog dialog;
    dialog.wanted = gui::CloseAction::None;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.close(); // refused: the loop goes on, result stays none
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.ModalResult(), gui::mrNone);
        dialog.wanted = gui::CloseAction::Hide;
        dialog.close();
    });
    EXPECT_EQ(dialog.ShowModal(), gui::mrCancel);
    EXPECT_EQ(dialog.close_queries, 2);
}

TEST(FormBase, ModalResultOutsideModalLoopIsOnlyStored) {
    ClosingDialog dialog;
    dialog.show();
    dialog.SetModalResult(gui::mrOk);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.ModalResult(), gui::mrOk);
}

TEST(FormBase, CloseActions) {
    ClosingWindow window;
    window.show();
    window.wanted = gui::CloseAction::None;
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    window.wanted = gui::CloseAction::Hide;
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());

    QPointer<ClosingWindow> freed = new ClosingWindow;
    freed->wanted = gui::CloseAction::Free;
    freed->show();
    freed->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(freed.isNull());
}

TEST(FormBase, EnclosingFormSkipsPlainContainers) {
    gui::DialogForm dialog;
    auto* panel = new QWidget(&dialog);
    auto* inner = new QWidget(panel);
    EXPECT_EQ(gui::enclosing_form(inner), &dialog);
    EXPECT_EQ(gui::enclosing_form(&dialog), nullptr);
    QWidget loose;
    EXPECT_EQ(gui::enclosing_form(new QWidget(&loose)), nullptr);
}

TEST(FormBase, DialogKeysReachEveryTargetOnceInChildOrder) {
    std::vector<std::pair<KeyLog*, int>> log;
    gui::DialogForm dialog;
    auto* first = new KeyLog(&dialog, log);
    auto* panel = new QWidget(&dialog);
    auto* nested = new KeyLog(panel, log);
    auto* last = new KeyLog(&dialog, log);
    auto* edit = new QLineEdit(panel);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);

    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(edit, Qt::Key_Enter);
    QTest::keyClick(edit, Qt::Key_A);
    const std::vector<std::pair<KeyLog*, int>> expected = {
        {first, 13}, {nested, 13}, {last, 13},   {first, 27}, {nested, 27},
        {last, 27},  {first, 13},  {nested, 13}, {last, 13},
    };
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(dialog.isVisible()); // Escape alone does not reject the dialog
}

TEST(FormBase, ConsumedDialogKeyStopsBroadcastAndMultiLineEditorKeepsEnter) {
    std::vector<std::pair<KeyLog*, int>> log;
    gui::DialogForm dialog;
    auto* consumer = new KeyLog(&dialog, log, true);
    new KeyLog(&dialog, log);
    auto* memo = new QPlainTextEdit(&dialog);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    memo->setFocus();

    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(memo->toPlainText(), "\n");
    QTest::keyClick(memo, Qt::Key_Escape);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].first, consumer);
}

} // namespace

#include "gui/PopupForm.h"

TEST(PopupPlacementTest, FitsIntoTheAreaNearItsEdges) {
    const QRect area(0, 0, 800, 600);
    EXPECT_EQ(gui::fit_into({100, 50}, {200, 150}, area), QPoint(100, 50));
    EXPECT_EQ(gui::fit_into({700, 500}, {200, 150}, area), QPoint(600, 450));
    EXPECT_EQ(gui::fit_into({-30, -5}, {200, 150}, area), QPoint(0, 0));
    EXPECT_EQ(gui::fit_into({10, 10}, {900, 700}, area), QPoint(0, 0)); // too big: the top-left stays visible
    EXPECT_EQ(gui::fit_into({1900, 40}, {100, 100}, QRect(1024, 0, 1024, 768)), QPoint(1900, 40));
    EXPECT_EQ(gui::fit_into({2000, 40}, {100, 100}, QRect(1024, 0, 1024, 768)), QPoint(1948, 40));
}
