#include "tools/monitor/ValueReadout.h"

#include "components/FloatFormat.h"
#include "tools/monitor/TrendStrip.h"

#include <QFontMetrics>

namespace {

constexpr int margin = 4;

QString stale_mark() {
    return QString::fromUtf8("(устар.)");
}

// The widest number expected, so that the column does not jump as values grow.
QString widest_number() {
    return QStringLiteral("00000.00");
}

} // namespace

TValueReadout::TValueReadout(QWidget* owner) : gui::TPaintBox(owner) {
    SetColor(gui::clWindow);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void TValueReadout::SetTitle(const QString& name, const QString& unit) {
    if (store(name_, name) | store(unit_, unit))
        updateGeometry();
}

void TValueReadout::SetValue(std::optional<double> value, bool stale) {
    store(value_, value);
    store(stale_, stale);
}

QString TValueReadout::Text() const {
    if (!value_)
        return {};
    return format_fixed(*value_, TTrendStrip::decimals) + (stale_ ? " " + stale_mark() : QString());
}

QFont TValueReadout::NumeralFont() const {
    QFont big = font();
    big.setBold(true);
    big.setPointSizeF(font().pointSizeF() * numeral_scale);
    return big;
}

QSize TValueReadout::sizeHint() const {
    const QFontMetrics body(font());
    const QFontMetrics big(NumeralFont());
    // The unit and the mark stand one above the other beside the number.
    const int side = std::max(body.horizontalAdvance(unit_), body.horizontalAdvance(stale_mark()));
    const int width = std::max(body.horizontalAdvance(name_), big.horizontalAdvance(widest_number()) + margin + side);
    return {width + 2 * margin, body.height() + big.height() + margin};
}

void TValueReadout::Paint(gui::TCanvas& canvas) {
    gui::TPaintBox::Paint(canvas);
    const int w = width();
    const int h = height();
    canvas.Brush.style = gui::BrushStyle::Solid;
    canvas.FillRect({0, 0, w, h});
    canvas.Brush.style = gui::BrushStyle::Clear;
    const gui::TColor text = stale_ ? stale_color : value_color;
    canvas.Font.color = text;
    gui::TRect top{margin, margin / 2, w - margin, h};
    canvas.DrawText(name_, top, gui::DT_LEFT | gui::DT_SINGLELINE | gui::DT_NOPREFIX | gui::DT_END_ELLIPSIS);

    // The number right-aligned before the unit column, so that the decimals of all rows line up,
    // and centred in the height left under the name.
    const QFontMetrics body(font());
    const int side = std::max(body.horizontalAdvance(unit_), body.horizontalAdvance(stale_mark()));
    const int name_bottom = margin / 2 + body.height();
    const int numeral_height = QFontMetrics(NumeralFont()).height();
    const int y = name_bottom + std::max(0, (h - name_bottom - numeral_height) / 2);
    gui::TRect number{margin, y, w - 2 * margin - side, y + numeral_height};
    gui::TRect beside{number.right + margin, y, w - margin, number.bottom};
    // The unit on the numerals' baseline zone's upper half, the mark under it.
    canvas.DrawText(unit_, beside, gui::DT_LEFT | gui::DT_SINGLELINE | gui::DT_NOPREFIX | gui::DT_VCENTER);
    if (!value_)
        return;
    if (stale_) {
        gui::TRect below{beside.left, beside.top + numeral_height / 2 + body.height() / 2, beside.right,
                         beside.bottom + body.height()};
        canvas.DrawText(stale_mark(), below, gui::DT_LEFT | gui::DT_SINGLELINE | gui::DT_NOPREFIX);
    }
    const gui::TFont plain = canvas.Font;
    canvas.Font.font = NumeralFont();
    canvas.DrawText(format_fixed(*value_, TTrendStrip::decimals), number,
                    gui::DT_RIGHT | gui::DT_SINGLELINE | gui::DT_NOPREFIX | gui::DT_VCENTER);
    canvas.Font = plain;
}
