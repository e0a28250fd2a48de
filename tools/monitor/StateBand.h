// The state over the values, as the monitor and a rig's detail show it: a headline and the line under it on a
// band that is light with dark text while the values are current, dark with white text otherwise.
#pragma once

#include <QColor>
#include <QFrame>

class QLabel;

class TStateBand : public QFrame {
    Q_OBJECT
public:
    static constexpr QRgb current_color = 0xD5EFD9;
    static constexpr QRgb alarm_color = 0xA11D1D;

    explicit TStateBand(QWidget* parent = nullptr);

    void Show(const QString& headline, const QString& detail, bool current);
    QLabel* Headline() const { return headline_; }
    QLabel* Detail() const { return detail_; }

private:
    QLabel* headline_;
    QLabel* detail_;
};
