#include "app/AboutForm.h"
#include "components/MyButton.h"
#include "gui/SystemColors.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(AboutForm, LabelTextAndExitButton) {
    QWidget owner;
    TAboutForm form(&owner);
    EXPECT_EQ(form.windowTitle(), QStringLiteral(" О программе..."));
    const QStringList lines = form.Label1->text().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Программа для чтения данных со станции ГТИ \"Ларгон-5\" по сети"));
    EXPECT_EQ(lines[1], QStringLiteral(" "));
    EXPECT_TRUE(lines[2].contains("2026"));
    EXPECT_EQ(form.MyButton1->Caption(), QStringLiteral("Выход"));
    EXPECT_EQ(form.MyButton1->ModalResult(), mbmrOk);
    EXPECT_EQ(form.size(), QSize(gui::design_px(378), gui::design_px(176)));
    EXPECT_EQ(form.font().pixelSize(), gui::design_px(13));
    EXPECT_EQ(form.MyButton1->geometry(),
              QRect(gui::design_px(145), gui::design_px(130), gui::design_px(86), gui::design_px(31)));
    // At its designed place, kept on the screen.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(form.pos(), QPoint(std::min(gui::design_px(279), area.right() - form.width()),
                                 std::min(gui::design_px(515), area.bottom() - form.height())));
}

TEST(AboutForm, ShowsTheApplicationIconWhenThereIsOne) {
    QPixmap mark(32, 32);
    mark.fill(QColor(0x12, 0xEF, 0x34));
    const QIcon saved = QApplication::windowIcon();
    QApplication::setWindowIcon(QIcon(mark));
    TAboutForm form(nullptr);
    const QImage shown = form.Image->pixmap().toImage();
    // Without one, the program's own mark: sky, ground, and the drill string down the middle.
    QApplication::setWindowIcon(QIcon());
    const QIcon drawn = TAboutForm::application_icon();
    const QImage own = drawn.pixmap(32, 32).toImage();
    QApplication::setWindowIcon(saved);
    EXPECT_EQ(QColor(shown.pixel(shown.width() / 2, shown.height() / 2)), QColor(0x12, 0xEF, 0x34));
    EXPECT_EQ(QColor(own.pixel(4, 12)), QColor(0x2E, 0x5C, 0x8A));
    EXPECT_EQ(QColor(own.pixel(4, 26)), QColor(0x8B, 0x5A, 0x2B));
    EXPECT_EQ(QColor(own.pixel(16, 25)), QColor(0xFF, 0xC8, 0x3C));
    EXPECT_EQ(drawn.availableSizes(), QList<QSize>({{16, 16}, {32, 32}, {48, 48}, {64, 64}}));
}

TEST(AboutForm, ModalLoopEndsOnTheButtonOnEnterAndOnClose) {
    QWidget owner;
    {
        TAboutForm form(&owner);
        QTimer::singleShot(0, &form, [&] { QTest::mouseClick(form.MyButton1, Qt::LeftButton, {}, QPoint(20, 15)); });
        EXPECT_EQ(form.ShowModal(), gui::mrOk);
        EXPECT_FALSE(form.isVisible());
    }
    {
        TAboutForm form(&owner);
        QTimer::singleShot(0, &form, [&] {
            QApplication::setActiveWindow(&form);
            QWidget* focus = QApplication::focusWidget();
            EXPECT_EQ(focus, form.MyButton1); // first in the tab order
            if (focus)
                QTest::keyClick(focus, Qt::Key_Return);
            else
                form.close();
        });
        EXPECT_EQ(form.ShowModal(), gui::mrOk);
    }
    {
        TAboutForm form(&owner);
        QTimer::singleShot(0, &form, [&] { form.close(); });
        EXPECT_EQ(form.ShowModal(), gui::mrCancel);
    }
}

TEST(AboutForm, EachCommandShowsAFreshBox) {
    // What the main window's command does: create one owned by the window, show it modally, destroy it.
    QWidget owner;
    std::vector<QPointer<TAboutForm>> shown;
    auto command = [&] {
        auto form = std::make_unique<TAboutForm>(&owner);
        shown.push_back(form.get());
        QTimer::singleShot(0, form.get(), [f = form.get()] { f->MyButton1->Click(); });
        return form->ShowModal();
    };
    EXPECT_EQ(command(), gui::mrOk);
    EXPECT_EQ(command(), gui::mrOk);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].isNull());
    EXPECT_TRUE(shown[1].isNull());
    EXPECT_TRUE(owner.findChildren<TAboutForm*>().isEmpty());
}

TEST(AboutForm, ButtonIsRoundedOnTheFace) {
    TAboutForm form(nullptr);
    form.show();
    QImage image(form.size(), QImage::Format_RGB32);
    form.render(&image);
    const QRect b = form.MyButton1->geometry();
    const QColor face = gui::to_qcolor(0xF0F0F0);
    EXPECT_EQ(QColor(image.pixel(b.left(), b.top())), face);       // corner cut away: the form shows through
    EXPECT_NE(QColor(image.pixel(b.center())), face);              // the gradient face
    EXPECT_NE(QColor(image.pixel(b.center().x(), b.top())), face); // the frame
}

} // namespace
