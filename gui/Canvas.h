// A canvas with the classic GDI drawing model over QPainter. Controls paint through it and never
// touch QPainter themselves.
//
// Conventions: rectangles are left, top, right, bottom with right and bottom exclusive; shapes are
// drawn without antialiasing; the brush fills interiors (and the background of text when it is
// solid), the pen draws outlines and lines; the font carries its own colour.
#pragma once

#include "library/Color.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;
class QPixmap;

namespace gui {

struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool empty() const { return right <= left || bottom <= top; }
    constexpr TRect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    QRect to_qrect() const { return QRect(left, top, width(), height()); }
    static TRect from_qrect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

struct TPoint {
    int x = 0;
    int y = 0;
};

enum class PenStyle { Solid, Clear };
enum class BrushStyle { Solid, Clear };

struct TPen {
    TColor color = clBlack;
    int width = 1;
    PenStyle style = PenStyle::Solid;
};

struct TBrush {
    TColor color = clWhite;
    BrushStyle style = BrushStyle::Solid;
};

struct TFont {
    QFont font;
    TColor color = clWindowText;
};

// Text drawing flags (the values of the Windows API, so stored settings and ported arithmetic agree).
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;

// Frame controls.
enum class FrameKind { PushButton, CheckBox };
constexpr unsigned DFCS_INACTIVE = 0x100;
constexpr unsigned DFCS_PUSHED = 0x200;
constexpr unsigned DFCS_CHECKED = 0x400;
constexpr unsigned DFCS_FLAT = 0x4000;

class TCanvas {
public:
    // `clip` is the area being painted (usually the control's rectangle or the paint event's).
    TCanvas(QPainter& painter, const TRect& clip);

    TPen Pen;
    TBrush Brush;
    TFont Font;

    QPainter& painter() { return painter_; }
    const TRect& ClipRect() const { return clip_; }

    void FillRect(const TRect& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    // Rounded rectangle whose corners are quarters of an ellipse_w x ellipse_h ellipse.
    void RoundRect(int left, int top, int right, int bottom, int ellipse_w, int ellipse_h);
    void Polygon(const std::vector<TPoint>& points);
    // Part of the ellipse bounded by the box, counter-clockwise from the radial through (x1, y1)
    // to the radial through (x2, y2); equal radials give the whole ellipse.
    void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
    void MoveTo(int x, int y);
    // A line from the current position up to, not including, (x, y), which becomes the current position.
    void LineTo(int x, int y);

    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);
    // Draws or, with DT_CALCRECT, measures text in `rect`; returns the height of the text. Measuring
    // sets rect's right and bottom to bound the text and draws nothing. Unless DT_SINGLELINE, line
    // breaks in the text start new lines; DT_WORDBREAK also wraps at blanks. Unless DT_NOPREFIX an
    // ampersand underlines the next character and "&&" shows one ampersand.
    int DrawText(const QString& text, TRect& rect, unsigned flags);

    void DrawFrameControl(const TRect& rect, FrameKind kind, unsigned state);
    // The dotted focus rectangle, drawn by inverting every other pixel (drawing it twice removes it).
    void DrawFocusRect(const TRect& rect);
    void Draw(int x, int y, const QPixmap& pixmap);

private:
    QPainter& painter_;
    TRect clip_;
    TPoint pen_pos_;
};

} // namespace gui
