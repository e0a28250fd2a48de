#include "tools/fleet/FleetDump.h"

#include "tools/fleet/FleetTable.h"
#include "tools/fleet/FleetWindow.h"
#include "tools/fleet/RigDetail.h"
#include "tools/monitor/TrendStrip.h"

#include <QStringList>

namespace {

const char* status_word(FleetClient::status s) {
    switch (s) {
    case FleetClient::status::connecting:
        return "connecting";
    case FleetClient::status::connected:
        return "connected";
    case FleetClient::status::lost:
        break;
    }
    return "lost";
}

// The empty columns of the strip between its first and last drawn ones, as time ranges.
QString empty_stretches(const TRigDetail& detail, std::int64_t now_ms) {
    const TTrendStrip& strip = *detail.Strip(0);
    const fleet::rig& rig = detail.Rig();
    const gui::TRect plot = strip.PlotRect();
    const double now = static_cast<double>(now_ms) / 1000;
    const auto range = rig.history.range(0, now);
    if (!range || plot.width() <= 0)
        return QStringLiteral("columns=%1 empty=").arg(plot.width());
    const auto columns =
        tools::trace_columns(rig.history, 0, now, plot.width(), plot.height(), range->first, range->second);
    const double window_ms = rig.history.window_seconds() * 1000;
    auto time_of = [&](std::size_t x) {
        return static_cast<std::int64_t>(now_ms - window_ms + window_ms * static_cast<double>(x) / plot.width());
    };
    std::size_t first = 0, last = columns.size();
    while (first < columns.size() && columns[first].empty())
        ++first;
    while (last > first && columns[last - 1].empty())
        --last;
    QStringList stretches;
    for (std::size_t x = first; x < last;) {
        if (!columns[x].empty()) {
            ++x;
            continue;
        }
        const std::size_t from = x;
        while (x < last && columns[x].empty())
            ++x;
        stretches << QStringLiteral("%1-%2").arg(time_of(from)).arg(time_of(x));
    }
    return QStringLiteral("columns=%1 empty=%2").arg(plot.width()).arg(stretches.join(','));
}

} // namespace

QString fleet_dump_text(const TFleetWindow& window, std::int64_t now_ms) {
    const TFleetTable& table = *window.Table();
    const auto newest = table.NewestPaintedReading();
    QString text = QStringLiteral("time_ms=%1 broker=%2 rows=%3 newest_on_screen_ms=%4\n")
                       .arg(now_ms)
                       .arg(QString::fromLatin1(status_word(window.Client().Status())))
                       .arg(table.RowCount() - 1)
                       .arg(newest ? QString::number(*newest) : QStringLiteral("none"));
    for (int row = 1; row < table.RowCount(); ++row) {
        QStringList cells{QStringLiteral("row"), QString::number(row)};
        for (int col = 0; col < TFleetTable::colCount; ++col)
            cells << table.CellText(col, row);
        text += cells.join('\t') + '\n';
    }
    for (const auto& [rig, detail] : window.Details())
        text += QStringLiteral("detail\t%1\t%2\n")
                    .arg(QString::fromStdString(rig->node + "/" + rig->device), empty_stretches(*detail, now_ms));
    return text;
}
