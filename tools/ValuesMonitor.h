// TValuesMonitor: a small window that shows what the depth module last wrote to Borevane.bin. Once a
// second it reads the file under the file's lock (the shared reading code of the console reader)
// and shows the six values with fixed decimals, a bar for the rate of penetration, and the file's
// age, in red when the file is older than five seconds or cannot be read.
#pragma once

#include "library/lock_object.h"
#include "tools/output_snapshot.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class TIndicator;
class TQVVirtualGrid;

class TValuesMonitor : public QWidget {
    Q_OBJECT
public:
    static constexpr double stale_after_seconds = 5;
    static constexpr int rop_index = 5; // the rate of penetration's place in the file
    static constexpr double rop_max = 30;
    static constexpr double rop_alarm = 25;

    explicit TValuesMonitor(std::string path, QWidget* parent = nullptr);
    ~TValuesMonitor() override;

    // Reads the file once and shows the result; the timer calls it every second.
    void refresh();

    const tools::snapshot_result& Last() const { return last_; }
    // The file is missing, unreadable or older than stale_after_seconds.
    bool Stale() const { return stale_; }

    TQVVirtualGrid* Grid() const;
    TIndicator* RopBar() const { return rop_bar_; }
    QLabel* AgeLabel() const { return age_label_; }

    // After every refresh.
    std::function<void(const TValuesMonitor&)> OnRefresh;

protected:
    void showEvent(QShowEvent* event) override;

private:
    class values_grid;

    std::string path_;
    lib::lock_object file_lock_;
    tools::snapshot_result last_;
    std::optional<std::array<float, 6>> shown_; // the last values read, kept while the file is stale
    bool stale_ = true;
    QTimer timer_;
    values_grid* grid_ = nullptr;
    TIndicator* rop_bar_ = nullptr;
    QLabel* age_label_ = nullptr;
};
