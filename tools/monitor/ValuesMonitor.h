// TValuesMonitor: the window a crew watches to see what the depth module hands on. Once a second it
// reads Borevane.bin under the file's lock (the console reader's code, on a thread of its own so a
// held lock costs a bounded wait) and shows the six values, the rate of penetration as a bar, each
// value's last ten minutes as a strip, and the module's health as a reader can see it: the file's
// age, the time since any value changed, reads per minute and whether the module runs here.
// It never shows a value it did not read: before the first read nothing, and whatever is not
// current is greyed and marked, with a short text saying why.
#pragma once

#include "acquisition/core/output_reader.h"
#include "tools/monitor/MonitorState.h"
#include "tools/monitor/ValueHistory.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <string>

class QLabel;
class TIndicator;
class TQVVirtualGrid;
class TTrendStrip;

class TValuesMonitor : public QWidget {
    Q_OBJECT
public:
    static constexpr int rop_index = 5; // the rate of penetration's place in the file
    static constexpr double rop_max = 30;
    static constexpr double rop_alarm = 25;
    static constexpr unsigned bar_color = 0x40B040;

    struct Options {
        // Borevane.bin; empty: found through the recorded install location at every read.
        std::string path;
        // Holds the units file (borevane_monitor.ini) and the window's place (borevane_monitor.conf);
        // empty: default units, nothing kept.
        QString settings_dir;
        std::chrono::milliseconds lock_wait{500};
    };

    explicit TValuesMonitor(Options options, QWidget* parent = nullptr);
    ~TValuesMonitor() override;

    // Reads the file once and shows the result; the timer calls it every second.
    void refresh();

    const tools::monitor_state& State() const { return state_; }
    // The last read attempt; the reason in `error` when it gave no snapshot.
    const snapshot_result& Last() const { return last_; }
    // Not a fresh reading: nothing read yet, a failed read, or a file older than the stale limit.
    bool Stale() const { return !state_.fresh(); }
    const tools::value_history& History() const { return history_; }
    // "Глубина забоя, м": the value's name and its unit from the settings.
    QString Title(std::size_t index) const;

    TQVVirtualGrid* Grid() const;
    TIndicator* RopBar() const { return rop_bar_; }
    QLabel* StatusLabel() const { return status_label_; }
    QLabel* AgeLabel() const { return age_label_; }
    QLabel* HealthLabel() const { return health_label_; }
    TTrendStrip* Strip(std::size_t index) const { return strips_[index]; }

    // After every refresh.
    std::function<void(const TValuesMonitor&)> OnRefresh;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class values_grid;

    void read_units();
    void show_state(double now);
    QString detail_text() const;
    QString health_text(double now) const;
    QString settings_file(const char* name) const;

    Options options_;
    std::string looked_at_; // the file the last read looked for
    output_reader reader_;
    tools::monitor_state state_;
    snapshot_result last_;
    tools::value_history history_;
    std::array<QString, 6> units_;
    QString instance_dir_; // where the module keeps its single-instance lock
    QElapsedTimer clock_;
    QTimer timer_;
    values_grid* grid_ = nullptr;
    TIndicator* rop_bar_ = nullptr;
    QLabel* status_label_ = nullptr;
    QLabel* age_label_ = nullptr;
    QLabel* health_label_ = nullptr;
    std::array<TTrendStrip*, 6> strips_{};
};
