// TFleetWindow: the fleet view's window: the fleet table over a status line that says the broker's state the
// moment it changes (and when the next attempt is due while it is gone) and how many rigs are in each state.
// A few times a second it ages the rigs and lets the table repaint what changed; a rig's detail opens from the
// table and follows the same clock.
#pragma once

#include "tools/fleet/FleetClient.h"
#include "tools/fleet/fleet_host.h"

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>

class QLabel;
class TFleetTable;
class TRigDetail;

class TFleetWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int refresh_ms = 250;

    TFleetWindow(fleet::fleet_host& host, const FleetClient& client, QString broker, QWidget* parent = nullptr);
    ~TFleetWindow() override;

    // Ages the rigs, repaints what changed and updates the status line; the timer runs it.
    void Refresh();

    TFleetTable* Table() const { return table_; }
    QLabel* BrokerLabel() const { return broker_label_; }
    QLabel* CountsLabel() const { return counts_label_; }
    const FleetClient& Client() const { return client_; }
    // The rig's detail window, opened (or raised) now.
    TRigDetail* OpenRig(const fleet::rig& rig);
    const std::map<const fleet::rig*, TRigDetail*>& Details() const { return details_; }

    // After every Refresh, with its time on the host's wall clock.
    std::function<void(std::int64_t now_ms)> OnRefreshed;

private:
    void show_broker(std::int64_t now_ms);

    fleet::fleet_host& host_;
    const FleetClient& client_;
    QString broker_;
    TFleetTable* table_ = nullptr;
    QLabel* broker_label_ = nullptr;
    QLabel* counts_label_ = nullptr;
    std::map<const fleet::rig*, TRigDetail*> details_;
    QTimer timer_;
};
