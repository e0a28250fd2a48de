// TMyGroupBox: a container with a rounded frame and its caption on a rounded tab at the top left, the
// frame's top line running through the middle of the caption. It draws its frame only on a form.
#pragma once

#include "components/MyWinBase.h"
#include "gui/Canvas.h"

#include <QFont>

using gui::TCanvas;

class TMyGroupBox : public TMyWinBase {
    Q_OBJECT
public:
    explicit TMyGroupBox(QWidget* owner = nullptr);

    int BorderWidth() const { return border_width_; }
    void SetBorderWidth(int value) { store(border_width_, value); }
    int BorderLight() const { return border_light_; }
    void SetBorderLight(int value) { store(border_light_, value); }
    TColor BorderColor() const { return border_color_; }
    void SetBorderColor(TColor value) { store(border_color_, value); }
    TColor CaptionColor() const { return caption_color_; }
    void SetCaptionColor(TColor value) { store(caption_color_, value); }
    bool CaptionColorAuto() const { return caption_color_auto_; }
    void SetCaptionColorAuto(bool value) { store(caption_color_auto_, value); }
    const QFont& CaptionFont() const { return caption_font_; }
    // Copies the font into the box's own caption font; a change repaints.
    void SetCaptionFont(const QFont& value);
    bool CaptionFontAuto() const { return caption_font_auto_; }
    void SetCaptionFontAuto(bool value) { store(caption_font_auto_, value); }

    // The caption font's change notification.
    void font_changed(QObject* sender);

protected:
    void Paint(TCanvas& canvas);
    void paintEvent(QPaintEvent* event) override;
    // Every resize repaints the whole box (the frame follows the edges).
    void resizeEvent(QResizeEvent* event) override;

private:
    int border_width_ = 1;
    int border_light_ = -32;
    TColor border_color_ = gui::clBtnFace;
    TColor caption_color_ = gui::clBtnFace;
    bool caption_color_auto_ = true;
    QFont caption_font_;
    bool caption_font_auto_ = true;
};
