#include "components/SuperLabel.h"

#include <cmath>

TSuperLabel::TSuperLabel(QWidget* owner, const QString& name) : gui::TPaintBox(owner) {
    setObjectName(name);
    SetCaption(name);
}

void TSuperLabel::Paint(TCanvas& canvas) {
    gui::TPaintBox::Paint(canvas);
    // Text over text: the caption must not blank out its own shadow.
    canvas.Brush.style = gui::BrushStyle::Clear;
    const int o = canvas.TextHeight(QStringLiteral("#")) / 24;
    const TColor font_color = canvas.Font.color;
    canvas.Font.color = gui::clBlack;
    if (type_ == ltRoundShadow)
        draw_shadow(canvas, -1, -1, o + 1);
    else
        draw_text(canvas, o, o);
    canvas.Font.color = font_color;
    draw_text(canvas, -1, -1);
}

void TSuperLabel::draw_text(TCanvas& canvas, int dx, int dy) {
    const QString caption = Caption();
    const int tw = canvas.TextWidth(caption);
    const int th = canvas.TextHeight(caption);
    int x = (width() - tw) / 2;
    if (alignment_ == gui::taLeftJustify)
        x = 1; // the shadow of a -1 offset caption stays inside
    else if (alignment_ == gui::taRightJustify)
        x = width() - tw - 2;
    canvas.TextOut(x + dx, (height() - th) / 2 + dy, caption);
}

void TSuperLabel::draw_shadow(TCanvas& canvas, int dx, int dy, int radius) {
    for (int i = 0; i <= radius; ++i) {
        const int c = static_cast<int>(std::sqrt(static_cast<double>(radius * radius - i * i)));
        draw_text(canvas, dx + i, dy + c);
        draw_text(canvas, dx + i, dy - c);
        draw_text(canvas, dx - i, dy + c);
        draw_text(canvas, dx - i, dy - c);
    }
}
