// TRigDetail: one rig's last hour, as the monitor shows a rig: under a band naming the rig and its state, one
// row per value with its reading (greyed and marked when not current) and its trend strip over the hour, the
// historical readings in their slots and the gaps left empty; the time axis in minutes ago under the last strip.
// It reads the host's rig at every Refresh and keeps nothing of its own.
#pragma once

#include "tools/fleet/fleet_host.h"
#include "tools/monitor/StateBand.h"

#include <QWidget>
#include <array>
#include <cstdint>

class QFrame;
class QLabel;
class TTrendStrip;
class TValueReadout;

class TRigDetail : public QWidget {
    Q_OBJECT
public:
    explicit TRigDetail(const fleet::rig& rig, QWidget* parent = nullptr);

    void Refresh(std::int64_t now_ms);

    const fleet::rig& Rig() const { return rig_; }
    TTrendStrip* Strip(std::size_t index) const { return strips_[index]; }
    TValueReadout* Readout(std::size_t index) const { return readouts_[index]; }
    QLabel* StatusLabel() const { return band_->Headline(); }

private:
    const fleet::rig& rig_;
    std::uint64_t shown_revision_ = ~std::uint64_t(0);
    TStateBand* band_ = nullptr;
    std::array<TValueReadout*, fleet::value_count> readouts_{};
    std::array<TTrendStrip*, fleet::value_count> strips_{};
};
