#pragma once
// The grids as their tests set them up: a bare grid laid out in known whole pixels, or a grid in a
// form of its own with the font the tests measure with, shown and active so that keys go where a
// user's would.
#include "gui/DrawGrid.h"
#include "gui/FormBase.h"

#include <QApplication>
#include <QFont>
#include <QTest>

namespace bv_test {

// cols x rows cells of w x h pixels, flat, without scroll bars, in a grid of the given size, shown.
inline void lay_out_grid(gui::TDrawGrid& grid, int cols, int rows, int w, int h, QSize size) {
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.SetDefaultColWidth(w);
    grid.SetDefaultRowHeight(h);
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.SetFlat(true);
    grid.resize(size);
    grid.show();
    QApplication::processEvents();
}

// A grid of class Grid at `bounds` in a form of `size`, with the tests' font (DejaVu Sans, 13 pixels).
// The test lays the grid out, then calls show().
template <class Grid> struct GridForm {
    gui::DialogForm form;
    Grid* grid = nullptr;

    GridForm(QSize size, QRect bounds) {
        form.resize(size);
        grid = new Grid(&form);
        grid->setGeometry(bounds);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        grid->setFont(font);
    }
    void show() {
        form.show();
        form.activateWindow();
        QApplication::setActiveWindow(&form);
        QTest::qWaitFor([&] { return form.isActiveWindow(); }, 2000);
    }
};

} // namespace bv_test
