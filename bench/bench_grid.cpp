// The property grid with many rows: time to paint one full view and to scroll a page (median and p99
// over N repaints, default 200; bench_grid [N] [ROWS...]), and the memory a cell costs. The same view is painted for
// grids of several sizes, so that painting is seen to cost what the visible cells cost, not what the grid holds. Qt's
// own table view over the same cells, with its default delegate, is painted in the same run as the reference. Runs on
// Qt's offscreen platform unless another is asked for.
#include "bench/rss.h"
#include "components/MyGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <vector>

namespace {

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

// Qt's table view of the same rows x 10 cells and view, a header row and column like the grid's fixed
// ones: the median time of one full repaint.
double table_view_paint_us(int rows, int row_height, int repeats) {
    QStandardItemModel model(rows - 1, 10);
    model.setHorizontalHeaderLabels({"№", "Имя", "Значение", "Ед.", "Мин", "Макс", "Шаг", "Цвет", "Заметка", "Код"});
    for (int r = 1; r < rows; ++r)
        for (int c = 0; c < 10; ++c)
            model.setItem(
                r - 1, c,
                new QStandardItem(c == 7 ? QStringLiteral("clRed") : QStringLiteral("ячейка %1:%2").arg(c).arg(r)));
    QTableView view;
    view.setModel(&model);
    view.resize(900, 600);
    view.horizontalHeader()->setDefaultSectionSize(64);
    view.verticalHeader()->setDefaultSectionSize(row_height);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.show();
    QCoreApplication::processEvents();
    return measure(repeats, [&](int) { view.viewport()->repaint(); }).median_us;
}

void paint_and_scroll(int rows, int repeats, bool with_memory) {
    malloc_trim(0);
    const long before = bench::rss_kib();
    auto grid = std::make_unique<TMyGrid>();
    grid->resize(900, 600);
    fill(*grid, rows);
    malloc_trim(0);
    const long after = bench::rss_kib();
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
    const double table_us = table_view_paint_us(rows, grid->DefaultRowHeight(), repeats);
    std::printf("%7d rows x 10: %3d x %d cells in view | paint median %8.1f us  p99 %8.1f us | "
                "page scroll median %8.1f us  p99 %8.1f us | QTableView paint %8.1f us, ratio %.2f",
                rows, grid->VisibleRowCount(), grid->VisibleColCount(), paint.median_us, paint.p99_us, scroll.median_us,
                scroll.p99_us, table_us, paint.median_us / table_us);
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
    // The same view over grids of 1,000, 10,000 and 100,000 rows (or the sizes given after the repeats): the time
    // should not grow with them.
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(std::max(2, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {1000, 10000, 100000};
    for (int rows : sizes)
        paint_and_scroll(rows, repeats, rows >= 10000);
    return 0;
}
