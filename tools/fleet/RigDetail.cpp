#include "tools/fleet/RigDetail.h"

#include "tools/monitor/TrendStrip.h"
#include "tools/monitor/ValueReadout.h"
#include "tools/monitor/ValuesMonitor.h"

#include <QDateTime>
#include <QVBoxLayout>

TRigDetail::TRigDetail(const fleet::rig& rig, QWidget* parent) : QWidget(parent, Qt::Window), rig_(rig) {
    setWindowTitle(QString::fromStdString(rig.node + "/" + rig.device) + QString::fromUtf8(" — последний час"));
    auto* layout = new QVBoxLayout(this);

    band_ = new TStateBand(this);
    layout->addWidget(band_);

    std::array<QString, fleet::value_count> units;
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = QString::fromStdString(rig.units[i]);
    layout->addLayout(TValuesMonitor::ValueRows(this, rig.history, units, readouts_, strips_), 1);
    resize(TValuesMonitor::default_width, TValuesMonitor::default_height - 100);
}

void TRigDetail::Refresh(std::int64_t now_ms) {
    const bool current = rig_.current();
    if (rig_.revision != shown_revision_) {
        shown_revision_ = rig_.revision;
        QString detail = QString::fromStdString(rig_.node + "/" + rig_.device);
        if (rig_.reading_ms)
            detail += QString::fromUtf8(", последнее чтение ") +
                      QDateTime::fromMSecsSinceEpoch(*rig_.reading_ms).toString(QStringLiteral("HH:mm:ss"));
        if (!rig_.source.empty() && rig_.source != "live")
            detail += QString::fromUtf8(", источник: ") + QString::fromStdString(rig_.source);
        band_->Show(QString::fromUtf8(fleet::state_name(rig_.state)), detail, current);
        for (std::size_t i = 0; i < readouts_.size(); ++i) {
            readouts_[i]->SetTitle(TValuesMonitor::ValueName(i), QString::fromStdString(rig_.units[i]));
            readouts_[i]->SetValue(rig_.values[i] ? std::optional<double>(*rig_.values[i]) : std::nullopt, !current);
        }
    }
    const double now = static_cast<double>(now_ms) / 1000;
    const auto depths = rig_.history.range(0, 1, now);
    for (std::size_t i = 0; i < strips_.size(); ++i)
        strips_[i]->SetView(now, i < 2 ? depths : rig_.history.range(i, now), !current);
}
