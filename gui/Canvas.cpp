#include "gui/Canvas.h"

#include "gui/SystemColors.h"

#include <QApplication>
#include <QCache>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace gui {

namespace {

// Shaping a text to measure it costs as much as drawing it, and grids and panels measure the same texts in
// the same fonts at every repaint: the widths of the texts measured lately are kept, per font.
int advance(const QFontMetrics& fm, const QFont& font, const QString& text) {
    thread_local QCache<QString, int> widths(4096);
    const QString key = font.key() + QChar(0) + text;
    if (const int* known = widths.object(key))
        return *known;
    const int width = fm.horizontalAdvance(text);
    widths.insert(key, new int(width));
    return width;
}

struct TextLine {
    QString text;
    std::vector<int> underlined; // character positions within text
};

// Splits off '&' markers: "&&" shows one ampersand, "&x" underlines x.
TextLine strip_prefixes(const QString& text) {
    TextLine line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&')
                line.underlined.push_back(static_cast<int>(line.text.size()));
        } else if (text[i] == u'&') {
            continue;
        }
        line.text += text[i];
    }
    return line;
}

TextLine slice(const TextLine& line, qsizetype from, qsizetype count) {
    TextLine part{line.text.mid(from, count), {}};
    for (int pos : line.underlined)
        if (pos >= from && pos < from + count)
            part.underlined.push_back(static_cast<int>(pos - from));
    return part;
}

// Greedy wrapping at blanks; a word wider than the width keeps a line of its own.
void wrap_into(const TextLine& paragraph, int width, const QFontMetrics& fm, std::vector<TextLine>& out) {
    const QString& s = paragraph.text;
    qsizetype start = 0;
    while (true) {
        while (start < s.size() && s[start] == u' ')
            ++start;
        qsizetype end = start; // end of the text that fits so far
        qsizetype pos = start;
        while (pos < s.size()) {
            qsizetype word_end = pos;
            while (word_end < s.size() && s[word_end] == u' ')
                ++word_end;
            while (word_end < s.size() && s[word_end] != u' ')
                ++word_end;
            if (end > start && fm.horizontalAdvance(s.mid(start, word_end - start)) > width)
                break;
            end = word_end;
            pos = word_end;
        }
        out.push_back(slice(paragraph, start, end - start));
        start = end;
        if (start >= s.size())
            break;
        while (start < s.size() && s[start] == u' ')
            ++start;
        if (start >= s.size())
            break;
    }
}

std::vector<TextLine> lay_out(const QString& text, int width, unsigned flags, const QFontMetrics& fm) {
    const TextLine all = (flags & DT_NOPREFIX) ? TextLine{text, {}} : strip_prefixes(text);
    std::vector<TextLine> lines;
    if (flags & DT_SINGLELINE) {
        lines.push_back(all);
        return lines;
    }
    qsizetype start = 0;
    const QString& s = all.text;
    while (true) {
        qsizetype end = start;
        while (end < s.size() && s[end] != u'\n' && s[end] != u'\r')
            ++end;
        const TextLine paragraph = slice(all, start, end - start);
        if (flags & DT_WORDBREAK)
            wrap_into(paragraph, width, fm, lines);
        else
            lines.push_back(paragraph);
        if (end >= s.size())
            break;
        start = end + ((s[end] == u'\r' && end + 1 < s.size() && s[end + 1] == u'\n') ? 2 : 1);
    }
    return lines;
}

} // namespace

TCanvas::TCanvas(QPainter& painter, const TRect& clip) : painter_(painter), clip_(clip) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    Font.font = painter_.font();
}

void TCanvas::FillRect(const TRect& rect) {
    if (Brush.style == BrushStyle::Clear || rect.empty())
        return;
    painter_.fillRect(rect.to_qrect(), to_qcolor(Brush.color));
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    const TRect r{left, top, right, bottom};
    if (r.empty())
        return;
    FillRect(r);
    if (Pen.style == PenStyle::Clear)
        return;
    if (Pen.width <= 1) {
        const QColor c = to_qcolor(Pen.color);
        painter_.fillRect(QRect(left, top, r.width(), 1), c);
        painter_.fillRect(QRect(left, bottom - 1, r.width(), 1), c);
        painter_.fillRect(QRect(left, top, 1, r.height()), c);
        painter_.fillRect(QRect(right - 1, top, 1, r.height()), c);
        return;
    }
    painter_.setPen(QPen(to_qcolor(Pen.color), Pen.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRect(left, top, r.width() - 1, r.height() - 1));
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int ellipse_w, int ellipse_h) {
    if (right <= left || bottom <= top)
        return;
    painter_.setPen(Pen.style == PenStyle::Clear ? QPen(Qt::NoPen)
                                                 : QPen(to_qcolor(Pen.color), std::max(1, Pen.width)));
    painter_.setBrush(Brush.style == BrushStyle::Clear ? QBrush(Qt::NoBrush) : QBrush(to_qcolor(Brush.color)));
    painter_.drawRoundedRect(QRectF(left, top, right - left - 1, bottom - top - 1), ellipse_w / 2.0, ellipse_h / 2.0);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.size() < 2)
        return;
    QPolygon polygon;
    for (const TPoint& p : points)
        polygon << QPoint(p.x, p.y);
    painter_.setPen(Pen.style == PenStyle::Clear ? QPen(Qt::NoPen)
                                                 : QPen(to_qcolor(Pen.color), std::max(1, Pen.width)));
    painter_.setBrush(Brush.style == BrushStyle::Clear ? QBrush(Qt::NoBrush) : QBrush(to_qcolor(Brush.color)));
    painter_.drawPolygon(polygon, Qt::OddEvenFill);
}

void TCanvas::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    if (Pen.style == PenStyle::Clear || right <= left || bottom <= top)
        return;
    const double cx = (left + right) / 2.0;
    const double cy = (top + bottom) / 2.0;
    // Screen y grows downwards; angles are measured counter-clockwise as seen on the screen.
    auto angle_of = [&](int x, int y) { return std::atan2(cy - y, x - cx) * 180.0 / std::numbers::pi; };
    const double start = angle_of(x1, y1);
    double span = angle_of(x2, y2) - start;
    if (span <= 0)
        span += 360.0;
    painter_.setPen(QPen(to_qcolor(Pen.color), std::max(1, Pen.width), Qt::SolidLine, Qt::FlatCap));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawArc(QRectF(left, top, right - left - 1, bottom - top - 1), static_cast<int>(std::lround(start * 16)),
                     static_cast<int>(std::lround(span * 16)));
}

void TCanvas::MoveTo(int x, int y) {
    pen_pos_ = {x, y};
}

void TCanvas::LineTo(int x, int y) {
    const TPoint from = pen_pos_;
    pen_pos_ = {x, y};
    if (Pen.style == PenStyle::Clear)
        return;
    const QColor color = to_qcolor(Pen.color);
    if (Pen.width > 1) {
        painter_.setPen(QPen(color, Pen.width, Qt::SolidLine, Qt::RoundCap));
        painter_.drawLine(from.x, from.y, x, y);
        return;
    }
    // Bresenham, the end point excluded.
    painter_.setPen(QPen(color, 1));
    int dx = std::abs(x - from.x), sx = from.x < x ? 1 : -1;
    int dy = -std::abs(y - from.y), sy = from.y < y ? 1 : -1;
    int err = dx + dy;
    for (int px = from.x, py = from.y; px != x || py != y;) {
        painter_.drawPoint(px, py);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    const QFontMetrics fm(Font.font);
    painter_.setFont(Font.font);
    if (Brush.style == BrushStyle::Solid)
        painter_.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), to_qcolor(Brush.color));
    painter_.setPen(to_qcolor(Font.color));
    painter_.drawText(QPoint(x, y + fm.ascent()), text);
}

int TCanvas::TextWidth(const QString& text) {
    return advance(QFontMetrics(Font.font), Font.font, text);
}

int TCanvas::TextHeight(const QString& text) {
    (void)text;
    return QFontMetrics(Font.font).height();
}

int TCanvas::DrawText(const QString& text, TRect& rect, unsigned flags) {
    const QFontMetrics fm(Font.font);
    std::vector<TextLine> lines = lay_out(text, rect.width(), flags, fm);
    const int line_height = fm.height();
    const int text_height = line_height * static_cast<int>(lines.size());
    const int avail = rect.width();
    if (flags & DT_END_ELLIPSIS) {
        for (TextLine& line : lines) {
            if (advance(fm, Font.font, line.text) > avail) {
                line.text = fm.elidedText(line.text, Qt::ElideRight, std::max(0, avail));
                std::erase_if(line.underlined, [&](int pos) { return pos >= line.text.size() - 1; });
            }
        }
    }

    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const TextLine& line : lines)
            widest = std::max(widest, advance(fm, Font.font, line.text));
        rect.right = rect.left + widest;
        rect.bottom = rect.top + text_height;
        return text_height;
    }

    int y = rect.top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = rect.top + (rect.height() - text_height) / 2;
        else if (flags & DT_BOTTOM)
            y = rect.bottom - text_height;
    }
    painter_.save();
    if (!(flags & DT_NOCLIP))
        painter_.setClipRect(rect.to_qrect(), Qt::IntersectClip);
    painter_.setFont(Font.font);
    const QColor text_color = to_qcolor(Font.color);
    for (const TextLine& line : lines) {
        const int w = advance(fm, Font.font, line.text);
        int x = rect.left;
        if (flags & DT_CENTER)
            x = rect.left + (avail - w) / 2;
        else if (flags & DT_RIGHT)
            x = rect.right - w;
        if (Brush.style == BrushStyle::Solid)
            painter_.fillRect(QRect(x, y, w, line_height), to_qcolor(Brush.color));
        painter_.setPen(text_color);
        painter_.drawText(QPoint(x, y + fm.ascent()), line.text);
        for (int pos : line.underlined) {
            const int ux = x + fm.horizontalAdvance(line.text.left(pos));
            const int uw = fm.horizontalAdvance(line.text.at(pos));
            painter_.fillRect(QRect(ux, y + fm.ascent() + fm.underlinePos(), uw, std::max(1, fm.lineWidth())),
                              text_color);
        }
        y += line_height;
    }
    painter_.restore();
    return text_height;
}

void TCanvas::DrawFrameControl(const TRect& rect, FrameKind kind, unsigned state) {
    QStyleOptionButton option;
    option.rect = rect.to_qrect();
    option.palette = QApplication::palette();
    option.state = (state & DFCS_INACTIVE) ? QStyle::State_None : QStyle::State_Enabled;
    if (state & DFCS_PUSHED)
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    if (state & DFCS_FLAT)
        option.features |= QStyleOptionButton::Flat;
    QStyle* style = QApplication::style();
    if (kind == FrameKind::PushButton) {
        style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter_);
    } else {
        option.state |= (state & DFCS_CHECKED) ? QStyle::State_On : QStyle::State_Off;
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter_);
    }
}

void TCanvas::DrawFocusRect(const TRect& rect) {
    if (rect.empty())
        return;
    painter_.save();
    painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter_.setPen(QPen(Qt::white, 1));
    // Pixels of one parity of x + y, so the dots line up across neighbouring rectangles.
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            painter_.drawPoint(x, y);
    };
    for (int x = rect.left; x < rect.right; ++x) {
        dot(x, rect.top);
        if (rect.bottom - 1 > rect.top)
            dot(x, rect.bottom - 1);
    }
    for (int y = rect.top + 1; y < rect.bottom - 1; ++y) {
        dot(rect.left, y);
        if (rect.right - 1 > rect.left)
            dot(rect.right - 1, y);
    }
    painter_.restore();
}

void TCanvas::Draw(int x, int y, const QPixmap& pixmap) {
    painter_.drawPixmap(x, y, pixmap);
}

} // namespace gui
