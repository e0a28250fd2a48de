// TValuesMonitor: the window a crew watches to see what the depth module hands on, laid out to be read
// from the driller's chair on a 1024x768 screen. Once a second it reads Borevane.bin under the file's
// lock (the console reader's code, on a thread of its own so a held lock costs a bounded wait) and
// shows, under a band that names the state, one row per value (the number in large numerals, its
// last ten minutes as a strip across the rest of the row), the rate of penetration as a bar with
// its scale, and the module's health as a reader can see it: the file's age, the time since any
// value changed, fresh reads per minute and whether the module runs here.
// It never shows a value it did not read: before the first read nothing, and whatever is not
// current is greyed and marked, under a band that tells the state apart by its lightness as well
// as its colour, with a short text saying why.
#pragma once

#include "acquisition/core/output_reader.h"
#include "tools/monitor/MonitorState.h"
#include "tools/monitor/StateBand.h"
#include "tools/monitor/ValueHistory.h"

#include <QColor>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <string>

class QFrame;
class QGridLayout;
class QLabel;
class TBarScale;
class TIndicator;
class TTrendStrip;
class TValueReadout;

class TValuesMonitor : public QWidget {
    Q_OBJECT
public:
    static constexpr int rop_index = 5; // the rate of penetration's place in the file
    static constexpr double rop_max = 30;
    static constexpr double rop_alarm = 25;
    static constexpr double rop_step = 5;
    static constexpr unsigned bar_color = 0x40B040;
    // The state band: light with dark text while current, dark with white text otherwise, so the two
    // differ for a crew member who cannot tell the colours apart.
    static inline const QColor fresh_band = QColor::fromRgb(TStateBand::current_color);
    static inline const QColor alarm_band = QColor::fromRgb(TStateBand::alarm_color);
    // Fits a 1024x768 screen with its frame.
    static constexpr int default_width = 780;
    static constexpr int default_height = 680;

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
    // The name of value `index` (file order), as the rows show it.
    static QString ValueName(std::size_t index);
    // A row per value, owned by `owner`: its readout (name and unit) and its strip over `history`, the bit's
    // depth against the hole's, the time axis under the last row.
    static QGridLayout* ValueRows(QWidget* owner, const tools::value_history& history,
                                  const std::array<QString, 6>& units, std::array<TValueReadout*, 6>& readouts,
                                  std::array<TTrendStrip*, 6>& strips);

    TValueReadout* Readout(std::size_t index) const { return readouts_[index]; }
    TIndicator* RopBar() const { return rop_bar_; }
    TBarScale* RopScale() const { return rop_scale_; }
    QFrame* Band() const { return band_; }
    QLabel* StatusLabel() const { return band_->Headline(); }
    QLabel* AgeLabel() const { return band_->Detail(); }
    QLabel* HealthLabel() const { return health_label_; }
    TTrendStrip* Strip(std::size_t index) const { return strips_[index]; }

    // After every refresh.
    std::function<void(const TValuesMonitor&)> OnRefresh;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
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
    double last_read_at_ = -1; // seconds on clock_
    QTimer timer_;
    std::array<TValueReadout*, 6> readouts_{};
    TIndicator* rop_bar_ = nullptr;
    TBarScale* rop_scale_ = nullptr;
    TStateBand* band_ = nullptr;
    QLabel* health_label_ = nullptr;
    std::array<TTrendStrip*, 6> strips_{};
};
