// TValueReadout: one of the six values as a crew reads it from across the cabin: its name on top,
// the number in numerals three times the body size with the unit beside them, and, when the value
// is not current, the number greyed (still dark enough to read) and marked "(устар.)" so the
// state shows without colour. Before the first read it shows the name alone.
#pragma once

#include "gui/PaintBox.h"

#include <optional>

class TValueReadout : public gui::TPaintBox {
    Q_OBJECT
public:
    // Text of a current value, and of one that is not: both at least 4.5:1 on the window colour.
    static constexpr gui::TColor value_color = gui::clWindowText;
    static constexpr gui::TColor stale_color = 0x595959;
    // Numerals against body text.
    static constexpr double numeral_scale = 3;

    explicit TValueReadout(QWidget* owner = nullptr);

    void SetTitle(const QString& name, const QString& unit);
    void SetValue(std::optional<double> value, bool stale);

    // What the readout shows: the number and, when not current, its mark; empty before any value.
    QString Text() const;
    bool Stale() const { return stale_; }
    QFont NumeralFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void Paint(gui::TCanvas& canvas) override;

private:
    QString name_;
    QString unit_;
    std::optional<double> value_;
    bool stale_ = true;
};
