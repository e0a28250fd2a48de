#include "components/MyColorSelector.h"

#include "components/Myfunctions.h"
#include "gui/SystemColors.h"

#include <QMouseEvent>
#include <QPointer>

TMyColorSelectorFrm* MyColorSelectorFrm = nullptr;

TMyColorSelectorFrm::TMyColorSelectorFrm(QWidget* owner) : gui::PopupForm(owner) {
    setWindowTitle(QStringLiteral("MyColorSelectorFrm"));
    set_full_size(gui::design_px(267), gui::design_px(202));

    MyRectangle = new TMyRectangle(this);
    MyRectangle->setGeometry(0, 0, full_size().width(), full_size().height());
    MyRectangle->SetBorderWidth(1);
    MyRectangle->SetBorderColor(gui::clWindowFrame);
    MyRectangle->SetColor(gui::clWindow);

    MyButton1 = new TMyButton(this);
    gui::set_design_geometry(MyButton1, 180, 170, 81, 26);
    MyButton1->SetCaption(QStringLiteral("Другой..."));
    MyButton1->SetColorHue(0x008000);
    MyButton1->SetTextShadow(true);
    MyButton1->SetTextShadowColor(0xC3C3C3);
    MyButton1->SetAutoBorderColor(false);
    MyButton1->SetBorderColor(gui::clBtnShadow);
    MyButton1->SetType(mbtSimple);
    MyButton1->SetBorderWidth(0);
    MyButton1->OnClick = [this](QObject* sender) { MyButton1Click(sender); };

    Panel1 = new gui::TPanel(this);
    gui::set_design_geometry(Panel1, 5, 5, 256, 161);
    Panel1->SetBevelOuter(gui::bvNone);
    ColorPallete = new TColorSelector(Panel1);
    ColorPallete->setGeometry(0, 0, Panel1->width(), Panel1->height());

    ColorDialog = new QColorDialog(this);
    ColorDialog->setOption(QColorDialog::DontUseNativeDialog);
}

void TMyColorSelectorFrm::FormDeactivate() {
    if (!in_color_dialog_)
        hide();
}

void TMyColorSelectorFrm::MyButton1Click(QObject*) {
    QPointer<TMyColorSelectorFrm> self(this);
    ColorDialog->setCurrentColor(gui::to_qcolor(ColorPallete->ColorValue()));
    in_color_dialog_ = true;
    const int result = ColorDialog->exec();
    if (!self)
        return;
    in_color_dialog_ = false;
    if (result != QDialog::Accepted) {
        if (isVisible())
            activateWindow();
        return;
    }
    const TColor color = gui::from_qcolor(ColorDialog->selectedColor());
    ColorPallete->SetValueColor(color);
    if (ColorPallete->OnChangeColor)
        ColorPallete->OnChangeColor(ColorPallete, color);
}

TMyColorSelector::TMyColorSelector(QWidget* owner) : gui::TPaintBox(owner) {
    setGeometry(0, 0, 50, 25);
    SetColor(gui::clBtnFace);
}

TMyColorSelector::~TMyColorSelector() {
    delete MyColorSelectorFrm;
    MyColorSelectorFrm = nullptr;
}

void TMyColorSelector::Paint(TCanvas& canvas) {
    gui::TPaintBox::Paint(canvas);
    const int w = width();
    const int h = height();
    const int off = held_ ? 1 : 0;
    unsigned state = 0;
    if (flat_)
        state |= gui::DFCS_FLAT;
    if (held_)
        state |= gui::DFCS_PUSHED;
    canvas.DrawFrameControl({0, 0, w, h}, gui::FrameKind::PushButton, state);
    const int m = h / 10 + 1;
    const int sw = w - h;
    canvas.Pen.style = gui::PenStyle::Solid;
    canvas.Pen.width = 1;
    canvas.Brush.style = gui::BrushStyle::Solid;
    if (isEnabled()) {
        canvas.Pen.color = get_inv_color(color_value_);
        canvas.Brush.color = color_value_;
        canvas.Rectangle(m + off, m + off, sw + off + 1, h - m + off + (flat_ ? 1 : 0) - 1);
    }
    const int d = h / 5;
    const int cx = (sw + w) / 2;
    const int cy = h / 2;
    const TColor arrow = isEnabled() ? get_inv_color(Color()) : gui::clBtnShadow;
    canvas.Pen.color = arrow;
    canvas.Brush.color = arrow;
    canvas.Polygon(
        {{cx - d + off, cy - (2 * d) / 3 + off}, {cx + d + off, cy - (2 * d) / 3 + off}, {cx + off, cy + d / 2 + off}});
}

void TMyColorSelector::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        held_ = true;
    update();
}

// The second press of a double click looks pushed like any press, but its release is no click: a double
// click drops the palette down once.
void TMyColorSelector::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    second_press_ = event->button() == Qt::LeftButton;
}

void TMyColorSelector::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        held_ && !second_press_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        held_ = false;
        second_press_ = false;
    }
    update();
    if (click)
        Click();
}

void TMyColorSelector::changeEvent(QEvent* event) {
    gui::TPaintBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

void TMyColorSelector::Click() {
    if (OnClick)
        OnClick(this);
    DropDown();
}

void TMyColorSelector::DropDown() {
    if (!MyColorSelectorFrm)
        MyColorSelectorFrm = new TMyColorSelectorFrm(this);
    TMyColorSelectorFrm* form = MyColorSelectorFrm;
    const QPoint p = mapToGlobal(QPoint(0, height()));
    form->ColorPallete->OnChangeColor = [this](QObject* sender, TColor color) { ColorChanged(sender, color); };
    form->ColorPallete->SetValueColor(color_value_);
    form->place_at({p.x(), p.y() + 1});
    form->unroll(0, 9);
}

void TMyColorSelector::ColorChanged(QObject*, TColor color) {
    if (MyColorSelectorFrm)
        MyColorSelectorFrm->close();
    SetColorValue(color);
    if (OnChange)
        OnChange(this);
}
