// TIndicator: a read-out of one number, either as centred text with a shadow (itValue) or as a
// bar between two limits that turns to the alarm colour at the alarm level, with a line marking
// that level (itHLine). Until the first value is set it shows neither a number nor a bar, only a
// caption set explicitly: a read-out never claims a value nobody gave it. Every paint goes through
// an off-screen image at the device's pixel ratio, and value and caption changes repaint at once,
// so a quickly updated value neither flickers nor blurs on a scaled screen.
#pragma once

#include "gui/PaintBox.h"

using gui::TCanvas;
using gui::TColor;

enum TIndicatorType { itValue = 0, itHLine = 1 };

class TIndicator : public gui::TPaintBox {
    Q_OBJECT
public:
    using TPaintBox::TPaintBox;

    TIndicatorType IndicatorType() const { return type_; }
    void SetIndicatorType(TIndicatorType value) { store(type_, value); }
    int FrameWidth() const { return frame_width_; }
    void SetFrameWidth(int value) { store(frame_width_, value); }
    // Caption (of the control base) is shown until the next change of Value or DigNum.
    // The shadow is drawn in the window text colour, and only where the text has another colour.
    bool TextShadow() const { return text_shadow_; }
    void SetTextShadow(bool value) { store(text_shadow_, value); }
    TColor IndicatorColor() const { return indicator_color_; }
    void SetIndicatorColor(TColor value) { store(indicator_color_, value); }
    TColor AlarmColor() const { return alarm_color_; }
    void SetAlarmColor(TColor value) { store(alarm_color_, value); }
    int DigNum() const { return dig_num_; }
    // Reformats the caption from Value once there is one.
    void SetDigNum(int value);
    // Read at the next paint; setting it repaints nothing.
    long double AlarmValue = 100000;
    long double ValueLeft() const { return value_left_; }
    void SetValueLeft(long double value) { store(value_left_, value); }
    long double ValueRight() const { return value_right_; }
    void SetValueRight(long double value) { store(value_right_, value); }
    long double Value() const { return value_; }
    // False until the first SetValue.
    bool HasValue() const { return has_value_; }
    // The first value always shows; later changes below 1e-7 are ignored, so jitter does not repaint.
    void SetValue(long double value);

    void draw_value_indicator(TCanvas* canvas);
    void draw_hor_line_indicator(TCanvas* canvas);

    // The x position of v on the bar of width w between the limits, truncated toward zero and held
    // to -1 .. w + 1 so that a value far outside (or not a number) stays off the control.
    static int bar_position(long double v, long double left, long double right, int w);

protected:
    void Paint(TCanvas& canvas) override;
    void CaptionChanged() override;

private:
    void draw(TCanvas& canvas);

    TIndicatorType type_ = itValue;
    int frame_width_ = 1;
    bool text_shadow_ = true;
    TColor indicator_color_ = 0xFFFFFF;
    TColor alarm_color_ = 0x0000FF;
    int dig_num_ = 1;
    long double value_left_ = 0;
    long double value_right_ = 10;
    long double value_ = 5;
    bool has_value_ = false;
};
