// The property grid with many rows: time to paint one full view and to scroll a page (median and p99
// over N repaints, default 200), and the memory a cell costs. The same view is painted for grids of
// several sizes, so that painting is seen to cost what the visible cells cost, not what the grid holds.
// Runs on Qt's offscreen platform unless another is asked for.
#include "components/MyGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace {

long rss_kib() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Figures {
    double median_us;
    double p99_us;
};

template <class Step> Figures measure(int repeats, Step step) {
    std::vector<double> us;
    us.reserve(static_cast<size_t>(repeats));
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        step(i);
        us.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e3);
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

// A grid of rows x 10 like the settings dialog's: a header row, names, values of several kinds.
void fill(TMyGrid& grid, int rows) {
    grid.SetColCount(10);
    grid.SetRowCount(rows);
    grid.SetTopStrings({"№", "Имя", "Значение", "Ед.", "Мин", "Макс", "Шаг", "Цвет", "Заметка", "Код"});
    for (int r = 1; r < rows; ++r)
        for (int c = 0; c < 10; ++c)
            grid.SetCells(c, r, c == 7 ? QStringLiteral("clRed") : QStringLiteral("ячейка %1:%2").arg(c).arg(r));
    grid.OnGetCellProps = [](QObject*, int col, int, CELL_PROPS& kind) {
        if (col == 7)
            kind = cpColor;
    };
    grid.OnGetAlignment = [](QObject*, int col, int, gui::TAlignment& a) {
        if (col == 1)
            a = gui::taLeftJustify;
    };
}

void paint_and_scroll(int rows, int repeats, bool with_memory) {
    malloc_trim(0);
    const long before = rss_kib();
    auto grid = std::make_unique<TMyGrid>();
    grid->resize(900, 600);
    fill(*grid, rows);
    malloc_trim(0);
    const long after = rss_kib();
    grid->show();
    QCoreApplication::processEvents();

    const Figures paint = measure(repeats, [&](int) { grid->viewport()->repaint(); });
    const int page = std::max(1, grid->VisibleRowCount());
    const int last_top = rows - page;
    const Figures scroll = measure(repeats, [&](int i) {
        // Down a page at a time, back to the top when the end is near.
        const int top = 1 + (i * page) % std::max(1, last_top - 1);
        grid->SetTopRow(top);
        grid->viewport()->repaint();
    });
    std::printf("%7d rows x 10: %3d x %d cells in view | paint median %8.1f us  p99 %8.1f us | "
                "page scroll median %8.1f us  p99 %8.1f us",
                rows, grid->VisibleRowCount(), grid->VisibleColCount(), paint.median_us, paint.p99_us, scroll.median_us,
                scroll.p99_us);
    if (with_memory)
        std::printf(" | RSS %+ld KiB, %.1f bytes per cell", after - before,
                    static_cast<double>(after - before) * 1024.0 / (static_cast<double>(rows) * 10.0));
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    std::printf("TMyGrid, 900 x 600 view, %d repaints each\n", repeats);
    paint_and_scroll(10000, repeats, true);
    // The same view over a grid a hundred times smaller and ten times larger.
    paint_and_scroll(100, repeats, false);
    paint_and_scroll(100000, repeats, true);
    return 0;
}
