#include "tools/fleet/FleetWindow.h"

#include "tools/fleet/FleetTable.h"
#include "tools/fleet/RigDetail.h"
#include "tools/monitor/ValuesMonitor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <array>

TFleetWindow::TFleetWindow(fleet::fleet_host& host, const FleetClient& client, QString broker, QWidget* parent)
    : QWidget(parent), host_(host), client_(client), broker_(std::move(broker)) {
    setWindowTitle(QString::fromUtf8("Буровые: группа %1").arg(QString::fromStdString(host.group())));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    table_ = new TFleetTable(host_, this);
    table_->OnOpenRig = [this](const fleet::rig& rig) { OpenRig(rig); };
    layout->addWidget(table_, 1);

    auto* status = new QHBoxLayout;
    broker_label_ = new QLabel(this);
    broker_label_->setAutoFillBackground(true);
    broker_label_->setMargin(4);
    counts_label_ = new QLabel(this);
    counts_label_->setMargin(4);
    status->addWidget(broker_label_, 1);
    status->addWidget(counts_label_);
    layout->addLayout(status);

    // As wide as the table, up to what fits a 1024x768 screen with a frame around the window.
    resize(std::min(1010, table_->FullWidth() + table_->verticalScrollBar()->sizeHint().width() + 8), 680);
    connect(&timer_, &QTimer::timeout, this, &TFleetWindow::Refresh);
    timer_.start(refresh_ms);
    Refresh();
}

TFleetWindow::~TFleetWindow() = default;

TRigDetail* TFleetWindow::OpenRig(const fleet::rig& rig) {
    auto it = details_.find(&rig);
    if (it == details_.end()) {
        auto* detail = new TRigDetail(rig, this);
        detail->setAttribute(Qt::WA_DeleteOnClose);
        connect(detail, &QObject::destroyed, this, [this, key = &rig] { details_.erase(key); });
        it = details_.emplace(&rig, detail).first;
        detail->Refresh(FleetClient::wall_ms());
    }
    it->second->show();
    it->second->raise();
    it->second->activateWindow();
    return it->second;
}

void TFleetWindow::show_broker(std::int64_t now_ms) {
    QString text;
    const bool lost = client_.Status() == FleetClient::status::lost;
    switch (client_.Status()) {
    case FleetClient::status::connecting:
        text = QString::fromUtf8("Брокер %1: подключение…").arg(broker_);
        break;
    case FleetClient::status::connected:
        text = QString::fromUtf8("Брокер %1: связь есть").arg(broker_);
        break;
    case FleetClient::status::lost: {
        const auto seconds = std::max<std::int64_t>(0, (client_.RetryAtMs() - now_ms + 999) / 1000);
        text = QString::fromUtf8("Нет связи с брокером %1 (%2); повтор через %3 с")
                   .arg(broker_, QString::fromStdString(client_.Why()))
                   .arg(seconds);
        break;
    }
    }
    broker_label_->setText(text);
    // The monitor's bands: dark red with white text while the broker is gone.
    QPalette palette = broker_label_->palette();
    palette.setColor(QPalette::Window, lost ? TValuesMonitor::alarm_band : palette.color(QPalette::Button));
    palette.setColor(QPalette::WindowText, lost ? QColor(Qt::white) : QColor(Qt::black));
    broker_label_->setPalette(palette);
}

void TFleetWindow::Refresh() {
    const std::int64_t now = FleetClient::wall_ms();
    host_.tick(now);
    table_->Refresh(now);
    show_broker(now);

    std::array<int, 5> counts{};
    for (std::size_t i = 0; i < host_.size(); ++i)
        ++counts[static_cast<std::size_t>(host_.at(i).state)];
    QStringList parts;
    for (std::size_t s = 0; s < counts.size(); ++s)
        if (counts[s] > 0)
            parts << QString::fromUtf8("%1: %2")
                         .arg(QString::fromUtf8(fleet::state_name(fleet::rig_state(s))))
                         .arg(counts[s]);
    counts_label_->setText(parts.isEmpty() ? QString::fromUtf8("буровых нет") : parts.join(QStringLiteral("   ")));

    for (const auto& [rig, detail] : details_)
        if (detail->isVisible())
            detail->Refresh(now);
    if (OnRefreshed)
        OnRefreshed(now);
}
