#include "tools/fleet/FleetTable.h"

#include "components/FloatFormat.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// In the edge's metric order, short enough for a column.
const std::array<const char*, fleet::value_count> value_titles = {
    "Забой", "Долото", "Вес на крюке", "Тальблок", "Давление", "Скорость",
};
constexpr int value_decimals = 2;
constexpr int spark_width = 32;
// A sparkline keeps moving with the clock even when its rig sends nothing: about a pixel a minute.
constexpr std::int64_t sparkline_step_ms = 60000;

// Trouble first when sorted by state.
int severity(fleet::rig_state s) {
    switch (s) {
    case fleet::rig_state::offline:
        return 0;
    case fleet::rig_state::stale:
        return 1;
    case fleet::rig_state::no_data:
        return 2;
    case fleet::rig_state::catching_up:
        return 3;
    case fleet::rig_state::live:
        break;
    }
    return 4;
}

QString rig_name(const fleet::rig& r) {
    return QString::fromStdString(r.node + "/" + r.device);
}

QString value_text(const fleet::rig& r, std::size_t i) {
    if (!r.values[i])
        return {};
    const QString unit = QString::fromStdString(r.units[i]);
    return format_fixed(*r.values[i], value_decimals) + (unit.isEmpty() ? QString() : " " + unit);
}

QString stale_mark() {
    return QString::fromUtf8("устар.");
}

} // namespace

TFleetTable::StateLook TFleetTable::look_of(fleet::rig_state state) {
    switch (state) {
    case fleet::rig_state::live:
        return {gui::rgb_color(0x1B, 0x6E, 0x20), Mark::disc};
    case fleet::rig_state::stale:
        return {gui::rgb_color(0x8A, 0x4B, 0x00), Mark::triangle};
    case fleet::rig_state::offline:
        return {gui::rgb_color(0xB7, 0x1C, 0x1C), Mark::cross};
    case fleet::rig_state::catching_up:
        return {gui::rgb_color(0x15, 0x55, 0xB0), Mark::chevrons};
    case fleet::rig_state::no_data:
        break;
    }
    return {stale_color, Mark::ring};
}

TFleetTable::TFleetTable(const fleet::fleet_host& host, QWidget* owner) : gui::TDrawGrid(owner), host_(host) {
    SetOptions(gui::goFixedVertLine | gui::goFixedHorzLine | gui::goVertLine | gui::goHorzLine | gui::goColSizing |
               gui::goThumbTracking);
    SetColCount(colCount);
    SetRowCount(1);
    SetFixedCols(1);
    SetFixedRows(1);
    fit_sizes();
}

void TFleetTable::changeEvent(QEvent* event) {
    gui::TDrawGrid::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fit_sizes();
}

// Two lines a row (the value over its mark, the node over its device); value columns wide enough for a
// number with its unit beside a sparkline.
void TFleetTable::fit_sizes() {
    const QFontMetrics m(font());
    auto wide = [&](const char* text) { return m.horizontalAdvance(QString::fromUtf8(text)); };
    SetDefaultRowHeight(2 * m.height() + 6);
    // Header texts leave room for the sort mark; a state's name may take both lines.
    SetColWidths(colRig, std::max(wide("Буровая") + 18, wide("rig0000") + 10));
    SetColWidths(colState, std::max(wide("Состояние") + 18, wide("устарели") + m.height() + 14));
    SetColWidths(colAge, std::max(wide("Возраст") + 18, wide("59 мин") + 12));
    for (std::size_t i = 0; i < fleet::value_count; ++i)
        SetColWidths(colValue + static_cast<int>(i), wide("0000.00 атм") + spark_width + 12);
}

int TFleetTable::FullWidth() const {
    int width = 0;
    for (int col = 0; col < ColCount(); ++col)
        width += ColWidths(col) + GridLineWidth();
    return width + 2 * frameWidth();
}

QString TFleetTable::ColumnTitle(int col) {
    if (col == colRig)
        return QString::fromUtf8("Буровая");
    if (col == colState)
        return QString::fromUtf8("Состояние");
    if (col == colAge)
        return QString::fromUtf8("Возраст");
    if (col >= colValue && col < colCount)
        return QString::fromUtf8(value_titles[static_cast<std::size_t>(col - colValue)]);
    return {};
}

const fleet::rig* TFleetTable::RigAt(int row) const {
    if (row < 1 || row > static_cast<int>(order_.size()))
        return nullptr;
    return &host_.at(order_[static_cast<std::size_t>(row - 1)]);
}

int TFleetTable::RowOf(const fleet::rig* rig) const {
    for (std::size_t i = 0; i < order_.size(); ++i)
        if (&host_.at(order_[i]) == rig)
            return static_cast<int>(i) + 1;
    return -1;
}

QString TFleetTable::age_text(const fleet::rig& r) const {
    if (!r.reading_ms)
        return {};
    const std::int64_t seconds = std::max<std::int64_t>(0, (now_ms_ - *r.reading_ms) / 1000);
    if (seconds < 60)
        return QString::fromUtf8("%1 с").arg(seconds);
    if (seconds < 3600)
        return QString::fromUtf8("%1 мин").arg(seconds / 60);
    return QString::fromUtf8("%1 ч").arg(seconds / 3600);
}

QString TFleetTable::CellText(int col, int row) const {
    if (row == 0)
        return ColumnTitle(col);
    const fleet::rig* r = RigAt(row);
    if (!r)
        return {};
    if (col == colRig)
        return rig_name(*r);
    if (col == colState)
        return QString::fromUtf8(fleet::state_name(r->state));
    if (col == colAge)
        return age_text(*r);
    const std::size_t i = static_cast<std::size_t>(col - colValue);
    const QString value = value_text(*r, i);
    return value.isEmpty() || r->current() ? value : value + " (" + stale_mark() + ")";
}

bool TFleetTable::less(const fleet::rig& a, const fleet::rig& b) const {
    auto by_name = [&] { return std::tie(a.node, a.device) < std::tie(b.node, b.device); };
    if (sort_column_ == colState && a.state != b.state)
        return severity(a.state) < severity(b.state);
    if (sort_column_ == colAge && a.reading_ms != b.reading_ms)
        return a.reading_ms.value_or(INT64_MIN) > b.reading_ms.value_or(INT64_MIN); // the youngest first
    if (sort_column_ >= colValue) {
        const std::size_t i = static_cast<std::size_t>(sort_column_ - colValue);
        if (a.values[i] && b.values[i] && *a.values[i] != *b.values[i])
            return *a.values[i] < *b.values[i];
    }
    return by_name();
}

void TFleetTable::sort_rows() {
    const fleet::rig* current = RigAt(Row());
    std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
        const fleet::rig& ra = host_.at(a);
        const fleet::rig& rb = host_.at(b);
        // Rigs without the value sorted by come last either way round.
        const bool has_a =
            sort_column_ < colValue || ra.values[static_cast<std::size_t>(sort_column_ - colValue)].has_value();
        const bool has_b =
            sort_column_ < colValue || rb.values[static_cast<std::size_t>(sort_column_ - colValue)].has_value();
        if (has_a != has_b)
            return has_a;
        return descending_ ? less(rb, ra) : less(ra, rb);
    });
    if (current && cursor_chosen_) {
        const int row = RowOf(current);
        if (row != Row())
            FocusCell(Col(), row, true);
    }
    InvalidateGrid();
}

void TFleetTable::SortBy(int column) {
    if (column < 0 || column >= colCount)
        return;
    descending_ = column == sort_column_ && !descending_;
    sort_column_ = column;
    sort_rows();
}

void TFleetTable::invalidate_row(int row) {
    const gui::TRect first = CellRect(0, row);
    if (first.left < first.right || first.top < first.bottom)
        viewport()->update(0, first.top, viewport()->width(), first.bottom - first.top + GridLineWidth());
}

void TFleetTable::Refresh(std::int64_t now_ms) {
    now_ms_ = now_ms;
    bool resort = false;
    if (host_.size() > order_.size()) {
        for (std::size_t i = order_.size(); i < host_.size(); ++i)
            order_.push_back(i);
        painted_.resize(host_.size(), ~std::uint64_t(0));
        painted_age_.resize(host_.size());
        shown_ms_.resize(host_.size());
        SetRowCount(static_cast<int>(order_.size()) + 1);
        resort = true;
    }
    const bool by_changing = sort_column_ != colRig;
    std::vector<int> changed_rows;
    for (std::size_t row = 0; row < order_.size(); ++row) {
        const std::size_t index = order_[row];
        const fleet::rig& r = host_.at(index);
        if (r.revision != painted_[index]) {
            painted_[index] = r.revision;
            painted_age_[index] = age_text(r);
            resort = resort || by_changing;
            changed_rows.push_back(static_cast<int>(row) + 1);
        } else if (QString age = age_text(r); age != painted_age_[index]) {
            painted_age_[index] = std::move(age);
            resort = resort || sort_column_ == colAge;
            InvalidateCell(colAge, static_cast<int>(row) + 1);
        }
    }
    if (now_ms - sparklines_ms_ >= sparkline_step_ms) {
        sparklines_ms_ = now_ms;
        InvalidateGrid();
    }
    if (resort) {
        sort_rows();
        return;
    }
    for (const int row : changed_rows)
        invalidate_row(row);
}

void TFleetTable::paintEvent(QPaintEvent* event) {
    paint_region_ = event->region();
    gui::TDrawGrid::paintEvent(event);
    // What the screen shows now: each visible row as last drawn.
    newest_painted_.reset();
    for (int row = TopRow(); row < std::min(RowCount(), TopRow() + VisibleRowCount() + 1); ++row) {
        const std::size_t index = order_[static_cast<std::size_t>(row - 1)];
        if (shown_ms_[index] && (!newest_painted_ || *shown_ms_[index] > *newest_painted_))
            newest_painted_ = shown_ms_[index];
    }
}

void TFleetTable::DrawCell(int col, int row, const gui::TRect& rect, gui::TGridDrawState state) {
    // The base runs this for every visible cell; only those in the region being repainted are drawn.
    if (!paint_region_.intersects(rect.to_qrect()))
        return;
    gui::TCanvas& canvas = Canvas();
    if (row == Row() && row > 0) {
        // The current rig's whole row, in a colour light enough for every state's text.
        canvas.Brush = {current_row_color, gui::BrushStyle::Solid};
        canvas.FillRect(rect);
        canvas.Font.color = value_color;
    }
    if (state & gui::gdFixed && row == 0) {
        draw_header(canvas, col, rect);
        return;
    }
    const fleet::rig* r = RigAt(row);
    if (!r)
        return;
    if (col == colValue)
        shown_ms_[order_[static_cast<std::size_t>(row - 1)]] = r->reading_ms;
    const int line = canvas.TextHeight(QStringLiteral("0"));
    canvas.Brush.style = gui::BrushStyle::Clear;
    if (col == colRig) {
        canvas.TextOut(rect.left + 4, rect.top + 3, QString::fromStdString(r->node));
        canvas.Font.color = stale_color;
        canvas.TextOut(rect.left + 4, rect.top + 3 + line, QString::fromStdString(r->device));
    } else if (col == colState) {
        draw_state(canvas, *r, rect);
    } else if (col == colAge) {
        const QString age = age_text(*r);
        canvas.TextOut(rect.right - 6 - canvas.TextWidth(age), rect.top + 3, age);
    } else {
        draw_value(canvas, *r, static_cast<std::size_t>(col - colValue), rect);
    }
}

void TFleetTable::draw_header(gui::TCanvas& canvas, int col, const gui::TRect& rect) {
    canvas.Brush.style = gui::BrushStyle::Clear;
    const QString title = ColumnTitle(col);
    gui::TRect text = {rect.left + 4, rect.top, rect.right - 14, rect.bottom};
    canvas.DrawText(title, text, gui::DT_LEFT | gui::DT_VCENTER | gui::DT_SINGLELINE | gui::DT_NOPREFIX);
    if (col != sort_column_)
        return;
    // The sort order as a small triangle at the right: pointing up for ascending, down for descending.
    const int cx = rect.right - 8;
    const int cy = (rect.top + rect.bottom) / 2;
    canvas.Brush = {gui::clWindowText, gui::BrushStyle::Solid};
    canvas.Pen.color = gui::clWindowText;
    if (descending_)
        canvas.Polygon({{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 3}});
    else
        canvas.Polygon({{cx - 4, cy + 3}, {cx + 4, cy + 3}, {cx, cy - 2}});
}

void TFleetTable::draw_state(gui::TCanvas& canvas, const fleet::rig& r, const gui::TRect& rect) {
    const StateLook look = look_of(r.state);
    const int line = canvas.TextHeight(QStringLiteral("0"));
    const int size = line - 4;
    const int x = rect.left + 5;
    const int y = rect.top + 3 + 2;
    canvas.Pen = {look.color, std::max(2, size / 5), gui::PenStyle::Solid};
    canvas.Brush = {look.color, gui::BrushStyle::Solid};
    switch (look.mark) {
    case Mark::disc:
    case Mark::ring: {
        const QColor color(gui::red_of(look.color), gui::green_of(look.color), gui::blue_of(look.color));
        QPainter& painter = canvas.painter();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(look.mark == Mark::ring ? QPen(color, canvas.Pen.width) : QPen(Qt::NoPen));
        painter.setBrush(look.mark == Mark::ring ? QBrush(Qt::NoBrush) : QBrush(color));
        painter.drawEllipse(QRectF(x + 1, y + 1, size - 2, size - 2));
        break;
    }
    case Mark::triangle:
        canvas.Polygon({{x, y + size}, {x + size, y + size}, {x + size / 2, y}});
        break;
    case Mark::cross:
        canvas.MoveTo(x, y);
        canvas.LineTo(x + size, y + size);
        canvas.MoveTo(x + size, y);
        canvas.LineTo(x, y + size);
        break;
    case Mark::chevrons:
        for (const int dx : {0, size / 2}) {
            canvas.MoveTo(x + dx, y);
            canvas.LineTo(x + dx + size / 2, y + size / 2);
            canvas.LineTo(x + dx, y + size);
        }
        break;
    }
    canvas.Brush.style = gui::BrushStyle::Clear;
    canvas.Font.color = look.color;
    gui::TRect text = {x + size + 6, rect.top + 3, rect.right - 2, rect.bottom};
    canvas.DrawText(QString::fromUtf8(fleet::state_name(r.state)), text,
                    gui::DT_LEFT | gui::DT_WORDBREAK | gui::DT_NOPREFIX);
}

void TFleetTable::draw_value(gui::TCanvas& canvas, const fleet::rig& r, std::size_t index, const gui::TRect& rect) {
    const int line = canvas.TextHeight(QStringLiteral("0"));
    const gui::TRect spark = {rect.right - std::min(spark_width, rect.width() / 3) - 3, rect.top + 4, rect.right - 4,
                              rect.bottom - 4};
    const QString value = value_text(r, index);
    if (!value.isEmpty()) {
        canvas.Font.color = r.current() ? value_color : stale_color;
        const int right = spark.left - 5;
        canvas.TextOut(right - canvas.TextWidth(value), rect.top + 3, value);
        if (!r.current())
            canvas.TextOut(right - canvas.TextWidth(stale_mark()), rect.top + 3 + line, stale_mark());
    }
    const double now = static_cast<double>(now_ms_) / 1000;
    const auto range = r.history.range(index, now);
    if (!range || spark.width() <= 0 || spark.height() <= 0)
        return;
    const auto columns =
        tools::trace_columns(r.history, index, now, spark.width(), spark.height(), range->first, range->second);
    canvas.Brush = {trace_color, gui::BrushStyle::Solid};
    int x = spark.left;
    for (const tools::trace_span& c : columns) {
        if (!c.empty())
            canvas.FillRect({x, spark.top + c.top, x + 1, spark.top + c.bottom + 1});
        ++x;
    }
}

void TFleetTable::Click() {
    gui::TDrawGrid::Click();
    if (Row() == highlighted_row_)
        return;
    invalidate_row(highlighted_row_);
    highlighted_row_ = Row();
    invalidate_row(highlighted_row_);
}

void TFleetTable::DblClick() {
    gui::TDrawGrid::DblClick();
    if (const fleet::rig* r = RigAt(Row()); r && OnOpenRig)
        OnOpenRig(*r);
}

void TFleetTable::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (const fleet::rig* r = RigAt(Row()); r && OnOpenRig)
            OnOpenRig(*r);
        return;
    }
    cursor_chosen_ = true;
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        SortBy(Col());
        return;
    }
    gui::TDrawGrid::keyPressEvent(event);
}

void TFleetTable::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const gui::TGridCoord cell = MouseCoord(p.x(), p.y());
    if (event->button() == Qt::LeftButton && cell.row == 0 && cell.col >= 0 &&
        p.x() < CellRect(cell.col, 0).right - 4) {
        SortBy(cell.col);
        event->accept();
        return;
    }
    cursor_chosen_ = true;
    gui::TDrawGrid::mousePressEvent(event);
}
