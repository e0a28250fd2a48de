#include "tools/monitor/StateBand.h"

#include <QLabel>
#include <QVBoxLayout>

TStateBand::TStateBand(QWidget* parent) : QFrame(parent) {
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(0);
    headline_ = new QLabel(this);
    QFont headline = font();
    headline.setBold(true);
    headline.setPointSizeF(headline.pointSizeF() * 1.6);
    headline_->setFont(headline);
    layout->addWidget(headline_);
    detail_ = new QLabel(this);
    layout->addWidget(detail_);
}

void TStateBand::Show(const QString& headline, const QString& detail, bool current) {
    headline_->setText(headline);
    detail_->setText(detail);
    QPalette band = palette();
    band.setColor(QPalette::Window, QColor::fromRgb(current ? current_color : alarm_color));
    band.setColor(QPalette::WindowText, current ? QColor(Qt::black) : QColor(Qt::white));
    setPalette(band);
}
