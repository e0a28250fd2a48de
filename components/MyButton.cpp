#include "components/MyButton.h"

#include "gui/ImageList.h"
#include "gui/WindowRegion.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

TMyButton::TMyButton(QWidget* owner) : TMyWinBase(owner), margin_(gui::screen_logical_dpi() <= 100 ? 1 : 3) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, false);
    resize(100, 25);
    set_region();
}

void TMyButton::SetAutoGradientColors(bool value) {
    if (value) {
        gradient_color1_ = get_dark_color(Color(), 32, 0);
        gradient_color2_ = get_light_color(Color(), 32, 0);
    }
    store(auto_gradient_colors_, value);
}

void TMyButton::SetType(TMyButtonTypes value) {
    if (store(type_, value))
        set_region();
}

int TMyButton::calc_corner_radius() const {
    return height() / 6;
}

void TMyButton::set_region() {
    const int w = width();
    const int h = height();
    if (type_ == mbtSimple) {
        gui::set_window_region(this, gui::TRect{0, 0, w, h});
    } else {
        const int r = h / 6;
        gui::set_window_region(this, gui::round_rect_region(0, 0, w + 1, h + 1, r, r));
    }
}

void TMyButton::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    TCanvas canvas(painter, gui::TRect::from_qrect(event->rect()));
    canvas.Font.font = font();
    canvas.Font.color = FontColor();
    Paint(canvas);
}

void TMyButton::Paint(TCanvas& canvas) {
    canvas.Brush.color = Color();
    draw_gradient(canvas);
    draw_caption(canvas);
    draw_border(canvas);
    if (hasFocus())
        draw_focus_border(canvas);
}

void TMyButton::draw_gradient(TCanvas& canvas) {
    canvas.Brush.style = gui::BrushStyle::Solid;
    const int hot = mouse_over_ ? 32 : 0;
    const TColor hue = default_ ? default_color_ : ColorHue();
    TColor from, to;
    if (auto_gradient_colors_) {
        from = get_dark_color(Color(), 25 - hot, hue);
        to = get_light_color(Color(), 25 + hot, hue);
    } else {
        from = get_dark_color(gradient_color1_, hot, hue);
        to = get_light_color(gradient_color2_, hot, hue);
    }
    if (gradient_type_ == mbgtNone) {
        canvas.Brush.color = get_light_color(Color(), mouse_over_ ? 14 : 0, hue);
        canvas.FillRect(canvas.ClipRect());
        return;
    }
    const int bw = border_width_;
    ::draw_gradient(&canvas, gradient_type_, from, to, bw, bw, width() - bw, height() - bw);
}

void TMyButton::draw_caption(TCanvas& canvas) {
    canvas.Font.font = font();
    canvas.Brush.style = gui::BrushStyle::Clear;
    if (text_shadow_ && !pressed_) {
        canvas.Font.color = text_shadow_color_;
        draw_caption2(canvas, Caption(), 1, 1, true);
    }
    const int off = pressed_ ? 1 : 0;
    canvas.Font.color = isEnabled() ? FontColor() : get_dark_color(gui::clBtnFace, 96, 0);
    draw_caption2(canvas, Caption(), off, off, true);
}

void TMyButton::get_image_sizes(int& width, int& height) const {
    if (images_ && image_index_ >= 0) {
        width = images_->Width();
        height = images_->Height();
    } else {
        width = height = 0;
    }
}

int TMyButton::draw_caption2(TCanvas& canvas, const QString& text, int dx, int dy, bool draw_image) {
    const int w = width();
    const int h = height();
    const int inner = border_width_ + margin_;
    int iw, ih;
    get_image_sizes(iw, ih);
    gui::TRect r{inner, inner, w - inner, h - inner};
    constexpr unsigned measure = gui::DT_CALCRECT | gui::DT_WORDBREAK;
    int th = 0;
    int ix = 0, iy = 0;
    if (iw == 0 || ih == 0) {
        th = canvas.DrawText(text, r, measure);
        canvas.DrawText(text, r, measure);
        r.bottom = h - inner;
        r.top = (h - th) / 2;
        r.right = w - inner;
    } else if (text_align_ == gui::alRight) {
        r.left = inner + margin_ + iw;
        th = canvas.DrawText(text, r, measure);
        const int tw = r.right - r.left;
        r.left = (w + iw + margin_ - tw) / 2;
        r.top = (h - th) / 2;
        r.bottom = (h + th) / 2 + 2;
        r.right = r.left + tw + 1;
        ix = r.left - iw - margin_;
        iy = (h - ih) / 2;
    } else {
        // Image centred at the top, caption under it. Other alignments than bottom and right have
        // no layout of their own and take this one, so caption and image never overlap.
        th = canvas.DrawText(text, r, measure);
        r.right = w - inner;
        r.top = inner + ih;
        r.bottom = r.top + th;
        ix = (w - iw) / 2;
        iy = inner;
    }
    r = r.offset(dx, dy);
    canvas.DrawText(text, r, gui::DT_CENTER | gui::DT_WORDBREAK | gui::DT_END_ELLIPSIS);
    if (draw_image && images_ && image_index_ >= 0)
        images_->Draw(canvas, ix + dx, iy + dy, image_index_, isEnabled());
    return th;
}

void TMyButton::draw_border(TCanvas& canvas) {
    TColor light, dark;
    if (isEnabled()) {
        frame_color_ = frame_color_property_ == gui::clNone ? Color() : frame_color_property_;
        if (auto_border_color_) {
            light = get_light_color(Color(), 32, 0);
            dark = get_dark_color(Color(), 32, 0);
        } else {
            light = dark = border_color_;
        }
    } else {
        light = dark = get_dark_color(gui::clBtnFace, 20, 0);
        frame_color_ = frame_color_property_ == gui::clNone ? Color() : get_dark_color(gui::clBtnFace, 64, 0);
    }
    if (mouse_over_)
        frame_color_ = get_dark_color(frame_color_, 16, 0);
    if (default_)
        frame_color_ = get_dark_color(default_color_, 96, 0);
    if (pressed_)
        light = dark = get_dark_color(Color(), 64, 0);
    if (type_ == mbtSimple)
        draw_simple_border(canvas, light, dark);
    else
        draw_round_rect_border(canvas, light, dark);
}

void TMyButton::draw_simple_border(TCanvas& canvas, TColor light, TColor dark) {
    const int w = width();
    const int h = height();
    const int bw = border_width_;
    canvas.Brush.style = gui::BrushStyle::Solid;
    const gui::TRect b = border_frame_ ? gui::TRect{1, 1, w - 1, h - 1} : gui::TRect{0, 0, w, h};
    canvas.Brush.color = light;
    canvas.FillRect({b.left, b.top, bw, b.bottom});
    canvas.FillRect({b.left, b.top, b.right, bw});
    canvas.Brush.color = dark;
    canvas.FillRect({b.right - bw + 1, b.top, b.right, b.bottom});
    canvas.FillRect({b.left, b.bottom - bw + 1, b.right, b.bottom});
    if (border_frame_) {
        canvas.Pen.width = 1;
        canvas.Pen.color = frame_color_;
        canvas.Brush.style = gui::BrushStyle::Clear;
        canvas.Rectangle(0, 0, w, h);
    }
}

void TMyButton::draw_round_rect_border(TCanvas& canvas, TColor light, TColor dark) {
    const int w = width();
    const int h = height();
    const int bw = border_width_;
    const int pw = bw > 0 ? 2 * bw - 1 : 2;
    const int r = calc_corner_radius();
    const int hr = r / 2;
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.Pen.width = pw;
    canvas.Pen.color = light;
    canvas.Arc(1, 1, r, r, hr + 1, 0, 0, hr + 1);
    canvas.Pen.color = dark;
    canvas.Arc(w - r, 0, w - 1, r, w, hr, w - hr, 0);
    canvas.Arc(0, h - r, r, h - 1, 0, h - hr, hr, h);
    canvas.Arc(w - r + 1, h - r + 1, w - 1, h - 1, w - hr, h, w, h - hr);
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.Brush.color = light;
    canvas.FillRect({0, hr, bw, h - hr});
    canvas.FillRect({hr, 0, w - hr, bw});
    canvas.Brush.color = dark;
    canvas.FillRect({hr, h - bw, w - hr, h});
    canvas.FillRect({w - bw, hr, w, h - hr});
    if (border_frame_) {
        canvas.Brush.style = gui::BrushStyle::Clear;
        canvas.Pen.width = 1;
        canvas.Pen.color = frame_color_;
        canvas.RoundRect(0, 0, w, h, r + 1, r + 1);
    }
}

void TMyButton::draw_focus_border(TCanvas& canvas) {
    const int off = pressed_ ? 1 : 0;
    const int inner = border_width_ + margin_;
    canvas.Brush.color = Color();
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.DrawFocusRect({inner - 1 + off, inner - 1 + off, width() - inner + 1 + off, height() - inner + 1 + off});
}

void TMyButton::resizeEvent(QResizeEvent* event) {
    TMyWinBase::resizeEvent(event);
    set_region();
    if (OnResize)
        OnResize(this);
}

void TMyButton::fire_mouse(const MouseEvent& handler, QMouseEvent* event) {
    if (handler)
        handler(this, event->button(), event->modifiers(), event->position().toPoint().x(),
                event->position().toPoint().y());
}

void TMyButton::mousePressEvent(QMouseEvent* event) {
    fire_mouse(OnMouseDown, event);
    setFocus(Qt::MouseFocusReason);
    pressed_ = true;
    click_armed_ = event->button() == Qt::LeftButton;
    repaint();
}

void TMyButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press, but its release is no click.
    fire_mouse(OnMouseDown, event);
    pressed_ = true;
    click_armed_ = false;
    repaint();
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
}

void TMyButton::mouseReleaseEvent(QMouseEvent* event) {
    fire_mouse(OnMouseUp, event);
    pressed_ = false;
    repaint();
    const bool click = click_armed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint()) &&
                       (mask().isEmpty() || mask().contains(event->position().toPoint()));
    click_armed_ = false;
    if (click)
        Click();
}

void TMyButton::mouseMoveEvent(QMouseEvent* event) {
    fire_mouse(OnMouseMove, event);
}

void TMyButton::enterEvent(QEnterEvent* event) {
    TMyWinBase::enterEvent(event);
    mouse_over_ = true;
    repaint();
}

void TMyButton::leaveEvent(QEvent* event) {
    TMyWinBase::leaveEvent(event);
    mouse_over_ = false;
    repaint();
}

void TMyButton::focusInEvent(QFocusEvent* event) {
    TMyWinBase::focusInEvent(event);
    update();
}

void TMyButton::focusOutEvent(QFocusEvent* event) {
    TMyWinBase::focusOutEvent(event);
    update();
}

void TMyButton::changeEvent(QEvent* event) {
    TMyWinBase::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

void TMyButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        Click();
        return;
    }
    TMyWinBase::keyPressEvent(event);
}

bool TMyButton::dialog_key(int key) {
    if (key == gui::key_return && default_)
        do_default_click();
    else if (key == gui::key_escape && Cancel)
        Click();
    return false;
}

void TMyButton::do_default_click() {
    if (!isEnabled() || hasFocus())
        return;
    if (gui::Form* form = get_parent(); form && check_is_focused(form->form_widget()))
        return;
    Click();
}

bool TMyButton::check_is_focused(const QWidget* container) {
    if (!container)
        return false;
    for (const QObject* child : container->children()) {
        if (!child->isWidgetType())
            continue;
        const auto* widget = static_cast<const QWidget*>(child);
        if (qobject_cast<const TMyButton*>(widget) && widget->hasFocus())
            return true;
        if (check_is_focused(widget))
            return true;
    }
    return false;
}

void TMyButton::Click() {
    if (modal_result_ != mbmrNone)
        if (gui::Form* form = get_parent())
            form->SetModalResult(modal_result_);
    if (OnClick)
        OnClick(this);
}
