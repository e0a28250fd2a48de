#include "components/MyGridColorForm.h"

#include <QThread>
#include <algorithm>

TMyGridColorForm* MyGridColorForm = nullptr;

TMyGridColorForm::TMyGridColorForm(QWidget* owner) : gui::PopupForm(owner) {
    setWindowTitle(QStringLiteral("  Выбор цвета"));
    set_full_size(gui::design_px(272), gui::design_px(204));

    // The panel keeps its full size while the form grows around it.
    SuperPanel = new TSuperPanel(this);
    SuperPanel->setGeometry(0, 0, full_size().width(), full_size().height());
    SuperPanel->SetBevelOuter(gui::bvNone);
    SuperPanel->SetBorderWidth(1);
    SuperPanel->SetColor1(gui::clBtnFace);
    SuperPanel->SetColor2(gui::clWindow);
    SuperPanel->SetBorderColor(gui::clBtnShadow);
    SuperPanel->SetWowEffects(false);
    SuperPanel->SetVerticalGradiented(true);

    Label1 = new QLabel(QStringLiteral("Выбор цвета"), SuperPanel);
    gui::set_design_geometry(Label1, 5, 7, 84, 16);
    // The fonts at hand may be wider than the designed ones: the caption is never cut.
    Label1->resize(std::max(Label1->width(), Label1->sizeHint().width()), Label1->height());

    ColorSelector = new TColorSelector(SuperPanel);
    gui::set_design_geometry(ColorSelector, 5, 35, 261, 161);
    ColorSelector->OnChangeColor = [this](QObject* sender, TColor color) { ColorSelectorChangeColor(sender, color); };

    MyButton2 = new TMyButton(SuperPanel);
    gui::set_design_geometry(MyButton2, 240, 5, 26, 21);
    MyButton2->SetCaption(QStringLiteral("X"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(gui::design_px(13));
    MyButton2->setFont(font);
    MyButton2->SetType(mbtSimple);
    MyButton2->SetBorderWidth(0);
    MyButton2->Cancel = true;
    MyButton2->OnClick = [this](QObject* sender) { MyButton2Click(sender); };
}

void TMyGridColorForm::MyButton2Click(QObject*) {
    close();
}

void TMyGridColorForm::FormDeactivate() {
    close();
}

void TMyGridColorForm::ColorSelectorChangeColor(QObject*, TColor) {
    // Long enough for the new mark to be seen.
    repaint();
    QThread::msleep(50);
    color_chosen = true;
    close();
}

bool TMyGridColorForm::roll_down() {
    return unroll(1, 10);
}

bool choose_color(TMyGridColorForm* form, TColor& color, int left, int top) {
    form->ColorSelector->SetValueColor(color);
    form->place_at({left, top});
    if (!form->roll_down() || !gui::PopupForm::wait_until_hidden(form) || !form->color_chosen)
        return false;
    color = form->ColorSelector->ColorValue();
    return true;
}
