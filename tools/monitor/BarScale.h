// TBarScale: the scale under a horizontal bar indicator of the same width: a tick and a number at
// every step from the left limit to the right one, and the alarm level marked apart from them (a
// longer tick with a notch and its number in bold), so the bar can be read without counting pixels
// and the alarm limit is seen before the bar reaches it.
#pragma once

#include "gui/PaintBox.h"

class TBarScale : public gui::TPaintBox {
    Q_OBJECT
public:
    explicit TBarScale(QWidget* owner = nullptr);

    void SetRange(double left, double right, double step);
    void SetAlarm(double value);
    // The text colour: at least 4.5:1 on the face colour.
    void SetTextColor(gui::TColor color) { SetFontColor(color); }

    // The x of value v on a scale (and a bar) of width w.
    int x_of(double v) const;

protected:
    void Paint(gui::TCanvas& canvas) override;

private:
    void label(gui::TCanvas& canvas, double v, int top);

    double left_ = 0;
    double right_ = 10;
    double step_ = 1;
    double alarm_ = 0;
};
