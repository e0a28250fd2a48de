// TMyButton: the program's push button. Gradient face tinted by a hue, light/dark bevel, optional
// outer frame, square or rounded shape (the widget is cut to it), caption with optional shadow and
// image, dotted focus rectangle, hot and pressed looks, and OK/Cancel behaviour: a modal result
// handed to the enclosing form, Enter clicks the default button, Escape the cancel button.
#pragma once

#include "components/MyWinBase.h"
#include "components/Myfunctions.h"
#include "gui/ControlTypes.h"
#include "gui/FormBase.h"

#include <functional>

namespace gui {
class TImageList;
}

enum TMyButtonTypes : std::int32_t { mbtSimple = 0, mbtRoundRect = 1 };

// The button's published names for the form's modal results: the same numbers.
enum TMyButtonModalResults : std::int32_t {
    mbmrNone = gui::mrNone,
    mbmrOk = gui::mrOk,
    mbmrCancel = gui::mrCancel,
    mbmrAbort = gui::mrAbort,
    mbmrRetry = gui::mrRetry,
    mbmrIgnore = gui::mrIgnore,
    mbmrYes = gui::mrYes,
    mbmrNo = gui::mrNo,
    mbmrAll = gui::mrAll,
};

class TMyButton : public TMyWinBase, public gui::DialogKeyTarget {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(QObject* sender)>;
    using MouseEvent =
        std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;

    explicit TMyButton(QWidget* owner = nullptr);

    gui::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(gui::TAlignment value) { store(alignment_, value); }
    TMyButtonGradientTypes GradientType() const { return gradient_type_; }
    void SetGradientType(TMyButtonGradientTypes value) { store(gradient_type_, value); }
    TColor GradientColor1() const { return gradient_color1_; }
    void SetGradientColor1(TColor value) { store(gradient_color1_, value); }
    TColor GradientColor2() const { return gradient_color2_; }
    void SetGradientColor2(TColor value) { store(gradient_color2_, value); }
    bool TextShadow() const { return text_shadow_; }
    void SetTextShadow(bool value) { store(text_shadow_, value); }
    TColor TextShadowColor() const { return text_shadow_color_; }
    void SetTextShadowColor(TColor value) { store(text_shadow_color_, value); }
    bool BorderFrame() const { return border_frame_; }
    void SetBorderFrame(bool value) { store(border_frame_, value); }
    bool AutoBorderColor() const { return auto_border_color_; }
    void SetAutoBorderColor(bool value) { store(auto_border_color_, value); }
    TColor BorderColor() const { return border_color_; }
    void SetBorderColor(TColor value) { store(border_color_, value); }
    bool AutoGradientColors() const { return auto_gradient_colors_; }
    // With true, the two gradient colours are first re-derived from Color (every time).
    void SetAutoGradientColors(bool value);
    TMyButtonTypes Type() const { return type_; }
    void SetType(TMyButtonTypes value);
    int BorderWidth() const { return border_width_; }
    void SetBorderWidth(int value) { store(border_width_, value); }
    TMyButtonModalResults ModalResult() const { return modal_result_; }
    void SetModalResult(TMyButtonModalResults value) { modal_result_ = value; }
    bool Default() const { return default_; }
    void SetDefault(bool value) { store(default_, value); }
    // Written directly: no repaint.
    bool Cancel = false;
    TColor DefaultColor() const { return default_color_; }
    void SetDefaultColor(TColor value) { store(default_color_, value); }
    TColor FrameColor() const { return frame_color_property_; }
    void SetFrameColor(TColor value) { store(frame_color_property_, value); }
    gui::TImageList* Images() const { return images_; }
    void SetImages(gui::TImageList* value) { store(images_, value); }
    int ImageIndex() const { return image_index_; }
    void SetImageIndex(int value) { store(image_index_, value); }
    gui::TAlign TextAlign() const { return text_align_; }
    void SetTextAlign(gui::TAlign value) { store(text_align_, value); }

    NotifyEvent OnClick;
    NotifyEvent OnDblClick;
    NotifyEvent OnResize;
    MouseEvent OnMouseDown;
    MouseEvent OnMouseUp;
    MouseEvent OnMouseMove;

    // Hands ModalResult to the enclosing form, then fires OnClick.
    virtual void Click();
    bool dialog_key(int key) override;

    // Corner ellipse size of the rounded shape: a sixth of the height.
    int calc_corner_radius() const;
    // True if a TMyButton inside container (at any depth) has the keyboard focus.
    static bool check_is_focused(const QWidget* container);

    bool is_pressed() const { return pressed_; }
    bool is_mouse_over() const { return mouse_over_; }
    // The outer frame colour the last paint used.
    TColor last_frame_color() const { return frame_color_; }
    int margin() const { return margin_; }

protected:
    virtual void Paint(TCanvas& canvas);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void draw_gradient(TCanvas& canvas);
    void draw_caption(TCanvas& canvas);
    int draw_caption2(TCanvas& canvas, const QString& text, int dx, int dy, bool draw_image);
    void get_image_sizes(int& width, int& height) const;
    void draw_border(TCanvas& canvas);
    void draw_simple_border(TCanvas& canvas, TColor light, TColor dark);
    void draw_round_rect_border(TCanvas& canvas, TColor light, TColor dark);
    void draw_focus_border(TCanvas& canvas);
    void set_region();
    void do_default_click();
    void fire_mouse(const MouseEvent& handler, QMouseEvent* event);

    gui::TAlignment alignment_ = gui::taCenter;
    TMyButtonGradientTypes gradient_type_ = mbgtDiagonal1;
    TColor gradient_color1_ = 0xFFFFFF;
    TColor gradient_color2_ = 0x808080;
    bool text_shadow_ = false;
    TColor text_shadow_color_ = 0x808080;
    bool border_frame_ = true;
    bool auto_border_color_ = true;
    TColor border_color_ = 0x808080;
    bool auto_gradient_colors_ = true;
    TMyButtonTypes type_ = mbtRoundRect;
    int border_width_ = 2;
    TMyButtonModalResults modal_result_ = mbmrNone;
    bool default_ = false;
    TColor default_color_ = 0x00FF00;
    TColor frame_color_property_ = gui::clWindowFrame;
    gui::TImageList* images_ = nullptr;
    int image_index_ = -1;
    gui::TAlign text_align_ = gui::alBottom;

    bool pressed_ = false;
    bool mouse_over_ = false;
    bool click_armed_ = false;
    TColor frame_color_ = 0;
    int margin_;
};
