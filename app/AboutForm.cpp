#include "app/AboutForm.h"

#include "components/MyButton.h"
#include "gui/SystemColors.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

// A derrick over the ground with the drill string going down: the program's mark.
QPixmap draw_application_icon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x5C, 0x8A));
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);
    p.setBrush(QColor(0x8B, 0x5A, 0x2B));
    p.drawRect(QRectF(1, 21, 30, 10));
    p.setPen(QPen(QColor(0xF2, 0xF2, 0xF2), 1.6));
    p.drawLine(QPointF(9, 21), QPointF(16, 3));
    p.drawLine(QPointF(23, 21), QPointF(16, 3));
    p.drawLine(QPointF(11.5, 15), QPointF(20.5, 15));
    p.drawLine(QPointF(13.5, 9.5), QPointF(18.5, 9.5));
    p.setPen(QPen(QColor(0xFF, 0xC8, 0x3C), 2));
    p.drawLine(QPointF(16, 6), QPointF(16, 29));
    return pixmap;
}

QIcon TAboutForm::application_icon() {
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull() && !icon.availableSizes().isEmpty())
        return icon;
    QIcon drawn;
    for (int size : {16, 32, 48, 64})
        drawn.addPixmap(draw_application_icon(size));
    return drawn;
}

TAboutForm::TAboutForm(QWidget* owner) : gui::DialogForm(owner) {
    setWindowTitle(QStringLiteral(" О программе..."));
    // Only the hints given, so a window manager offers neither minimise nor maximise: a fixed-size modal dialog
    // minimised would leave its owner locked behind a window nobody sees.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    gui::offer_no_minimise(this);
    setFixedSize(gui::design_px(378), gui::design_px(176));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, gui::to_qcolor(gui::clBtnFace));
    palette.setColor(QPalette::WindowText, gui::to_qcolor(gui::clWindowText));
    setPalette(palette);
    setAutoFillBackground(true);
    QFont form_font(QStringLiteral("MS Sans Serif"));
    form_font.setPixelSize(gui::design_px(13));
    setFont(form_font);

    MyButton1 = new TMyButton(this);
    gui::set_design_geometry(MyButton1, 145, 130, 86, 31);
    MyButton1->SetCaption(QStringLiteral("Выход"));
    MyButton1->SetModalResult(mbmrOk);

    Label1 = new QLabel(this);
    gui::set_design_geometry(Label1, 105, 20, 251, 91);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setText(QStringLiteral("Программа для чтения данных со станции ГТИ \"Ларгон-5\" по сети\n \n"
                                   "(c) Kalvemark, 2026"));

    Image = new QLabel(this);
    gui::set_design_geometry(Image, 5, 10, 91, 91);
    Image->setAlignment(Qt::AlignCenter);
    const int icon_size = gui::design_px(40); // a 32-pixel icon at 96 ppi
    Image->setPixmap(application_icon().pixmap(icon_size, icon_size));

    // The button comes first in the tab order and so has the focus when the box opens.
    setTabOrder(MyButton1, Label1);
    MyButton1->setFocus();

    // At its designed place, kept on the screen.
    QPoint place(gui::design_px(279), gui::design_px(515));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        place.setX(std::clamp(place.x(), area.left(), std::max(area.left(), area.right() - width())));
        place.setY(std::clamp(place.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    }
    move(place);
}
