#include "components/QVVirtualGrid.h"
#include "tests/support/grid_form.h"
#include "tests/support/widget_image.h"

#include <QApplication>
#include <QDate>
#include <QLocale>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

using bv_test::at;
using Cell = std::pair<int, int>;

// 3 columns x 10 rows, one fixed row and column, 80 x 24 cells, 1-pixel lines: the view shows the
// fixed row and 4 scrolled rows completely.
struct VirtualGridTest : ::testing::Test {
    TQVVirtualGrid grid;
    std::map<Cell, QVariant> data;  // by data-relative column and row, as drawing numbers them
    std::map<Cell, TColor> colours; // the same
    std::vector<Cell> asked, fixed_asked;

    void SetUp() override { bv_test::lay_out_grid(grid, 3, 10, 80, 24, {245, 127}); }
    void serve() {
        grid.VGGetCellParams = [this](QObject* sender, int col, int row, QVariant& value, TVGCellProperty& prop) {
            EXPECT_EQ(sender, &grid);
            asked.push_back({col, row});
            if (auto it = data.find({col, row}); it != data.end())
                value = it->second;
            if (auto it = colours.find({col, row}); it != colours.end())
                prop.Color = it->second;
        };
        grid.VGGetFixedParams = [this](QObject*, int col, int row, QVariant& value, TVGCellProperty&) {
            fixed_asked.push_back({col, row});
            value = QString("F%1%2").arg(col).arg(row);
        };
    }
    QImage paint() {
        asked.clear();
        fixed_asked.clear();
        return bv_test::render(*grid.viewport());
    }
    QImage cell(const QImage& image, int col, int row) { return image.copy(grid.CellRect(col, row).to_qrect()); }
    // The box of the pixels of a cell that differ from its background at (0, 0).
    static QRect ink(const QImage& cell_image) {
        QRect box;
        const QRgb background = cell_image.pixel(0, 0);
        for (int y = 0; y < cell_image.height(); ++y)
            for (int x = 0; x < cell_image.width(); ++x)
                if (cell_image.pixel(x, y) != background)
                    box |= QRect(x, y, 1, 1);
        return box;
    }
};

TEST_F(VirtualGridTest, WithoutHandlersCellsKeepThePlainBackground) {
    const QImage image = paint();
    const QRect r = grid.CellRect(1, 2).to_qrect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ASSERT_EQ(at(image, x, y), gui::resolve_color(gui::clWindow)) << x << "," << y;
    EXPECT_TRUE(ink(cell(image, 0, 2)).isEmpty());
}

TEST_F(VirtualGridTest, DataCellsAreNumberedFromZeroAndFixedCellsByTheGrid) {
    serve();
    paint();
    const std::set<Cell> data_cells(asked.begin(), asked.end());
    EXPECT_EQ(data_cells, (std::set<Cell>{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 2}, {1, 2}, {0, 3}, {1, 3}}));
    const std::set<Cell> fixed_cells(fixed_asked.begin(), fixed_asked.end());
    EXPECT_EQ(fixed_cells, (std::set<Cell>{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}));
    grid.SetTopRow(3);
    paint();
    EXPECT_EQ(std::set<Cell>(asked.begin(), asked.end()).count({0, 2}), 1u);
    EXPECT_EQ(std::set<Cell>(asked.begin(), asked.end()).count({0, 1}), 0u);
}

TEST_F(VirtualGridTest, ValuesAsText) {
    TVGCellProperty prop;
    grid.SetDefCellProps(prop);
    EXPECT_EQ(prop.FloatPrecision, 2);
    EXPECT_EQ(grid.VariantToText(3.14159, prop), "3.14");
    EXPECT_EQ(grid.VariantToText(2.5f, prop), "2.50");
    EXPECT_EQ(grid.VariantToText(-0.004, prop), "-0.00");
    EXPECT_EQ(grid.VariantToText(42, prop), "42");
    EXPECT_EQ(grid.VariantToText(-7, prop), "-7");
    EXPECT_EQ(grid.VariantToText(QString::fromUtf8("Глубина"), prop), QString::fromUtf8("Глубина"));
    EXPECT_EQ(grid.VariantToText(QByteArray("\xC3\xEB\xF3\xE1\xE8\xED\xE0 1"), prop), QString::fromUtf8("Глубина 1"));
    EXPECT_EQ(grid.VariantToText(true, prop), "");
    EXPECT_EQ(grid.VariantToText(QDate(2024, 5, 1), prop), "");
    EXPECT_EQ(grid.VariantToText(qlonglong(5), prop), "");
    EXPECT_EQ(grid.VariantToText(QVariant(), prop), "");
    prop.FloatPrecision = 0;
    EXPECT_EQ(grid.FloatToStr(2.71828, prop), "3");
    grid.SetFloatPrecision(4);
    grid.SetDefCellProps(prop);
    EXPECT_EQ(grid.VariantToText(3.14159, prop), "3.1416");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(grid.VariantToText(3.14159, prop), "3,1416");
}

TEST_F(VirtualGridTest, CellsShowTheirValuesText) {
    serve();
    // Row 0 holds the current cell, so the values go below it, each beside its text.
    data[{0, 1}] = 3.14159;
    data[{1, 1}] = QString("3.14");
    data[{0, 2}] = 42;
    data[{1, 2}] = QString("42");
    data[{0, 3}] = true;
    data[{1, 3}] = QDate(2024, 5, 1);
    QImage image = paint();
    EXPECT_FALSE(ink(cell(image, 1, 2)).isEmpty());
    EXPECT_EQ(cell(image, 1, 2), cell(image, 2, 2));
    EXPECT_EQ(cell(image, 1, 3), cell(image, 2, 3));
    EXPECT_TRUE(ink(cell(image, 1, 4)).isEmpty());
    EXPECT_TRUE(ink(cell(image, 2, 4)).isEmpty());
    // The grid's precision repaints and reaches the cells.
    data[{1, 1}] = QString("3.142");
    grid.SetFloatPrecision(3);
    image = paint();
    EXPECT_EQ(cell(image, 1, 2), cell(image, 2, 2));
}

TEST_F(VirtualGridTest, SelectionColourWinsOverTheHandlersColour) {
    serve();
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 4; ++r)
            colours[{c, r}] = gui::clRed;
    // Grid cells (1, 1) and (1, 2), the second one current and highlighted too.
    grid.SetOptions(grid.Options() | gui::goDrawFocusSelected);
    grid.SetSelection({1, 1, 1, 2});
    const QImage image = paint();
    const TColor highlight = gui::resolve_color(gui::clHighlight);
    EXPECT_EQ(at(image, grid.CellRect(1, 1).left + 1, grid.CellRect(1, 1).top + 1), highlight);
    EXPECT_EQ(at(image, grid.CellRect(1, 2).left + 1, grid.CellRect(1, 2).bottom - 2), highlight);
    EXPECT_EQ(at(image, grid.CellRect(2, 1).left + 1, grid.CellRect(2, 1).top + 1), gui::clRed);
    EXPECT_EQ(at(image, grid.CellRect(1, 3).right - 1, grid.CellRect(1, 3).bottom - 1), gui::clRed);
    // A fixed cell keeps the fixed colour when its handler leaves the colour alone.
    EXPECT_EQ(at(image, 1, 1), gui::resolve_color(gui::clBtnFace));
}

TEST_F(VirtualGridTest, TextIsOneCentredLineWithABlanksMarginAndAnEllipsis) {
    serve();
    const QString wide = "A value much wider than its cell";
    const QFontMetrics fm(grid.font());
    const int m = fm.horizontalAdvance(' ');
    const int room = 80 - 2 * m;
    ASSERT_GT(fm.horizontalAdvance(wide), room);
    data[{0, 1}] = wide;
    data[{1, 1}] = fm.elidedText(wide, Qt::ElideRight, room);
    data[{0, 2}] = QString("|");
    grid.SetAlignment(gui::taRightJustify);
    QImage image = paint();
    EXPECT_EQ(cell(image, 1, 2), cell(image, 2, 2));
    const QRect elided = ink(cell(image, 1, 2));
    EXPECT_GE(elided.left(), m - 1);
    EXPECT_LE(elided.right(), 80 - m);
    // Vertically centred: the text's line box sits in the middle of the 24-pixel cell.
    const int top = (24 - fm.height()) / 2;
    EXPECT_GE(elided.top(), top);
    EXPECT_LE(elided.bottom(), top + fm.height());

    const QRect right = ink(cell(image, 1, 3));
    EXPECT_NEAR(right.right(), 80 - m - 1, 2);
    grid.SetAlignment(gui::taLeftJustify);
    const QRect left = ink(cell(paint(), 1, 3));
    EXPECT_NEAR(left.left(), m, 2);
    grid.SetAlignment(gui::taCenter);
    const QRect centre = ink(cell(paint(), 1, 3));
    EXPECT_NEAR(centre.center().x(), 40, 2);
    // The fixed cells are centred by default.
    const QRect fixed = ink(cell(paint(), 1, 0));
    EXPECT_NEAR(fixed.center().x(), 40, 3);

    // A cell no taller than its text starts the text at its top.
    grid.SetRowHeights(2, fm.height());
    const QRect low = ink(cell(paint(), 1, 2));
    EXPECT_GE(low.top(), 0);
    EXPECT_LT(low.top(), fm.ascent());
}

TEST_F(VirtualGridTest, HandlerFontAndPrecisionApplyToTheirCell) {
    gui::TFont big{grid.font(), gui::clBlue};
    big.font.setPointSize(grid.font().pointSize() + 6);
    grid.VGGetCellParams = [&](QObject*, int col, int row, QVariant& value, TVGCellProperty& prop) {
        value = 1.23456;
        if (col == 0 && row == 1) {
            prop.Font = &big;
            prop.FloatPrecision = 4;
        }
    };
    QImage image = paint();
    const QRect special = ink(cell(image, 1, 2));
    const QRect plain = ink(cell(image, 2, 2));
    EXPECT_GT(special.width(), plain.width());
    EXPECT_GT(special.height(), plain.height());
    const QImage c = cell(image, 1, 2);
    bool blue = false;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            blue = blue || at(c, x, y) == gui::clBlue;
    EXPECT_TRUE(blue);
}

TEST_F(VirtualGridTest, ResizeColsMeasuresTheFixedAndTheVisibleRows) {
    const QFontMetrics fm(grid.font());
    const int sp = fm.horizontalAdvance(' ');
    std::vector<Cell> measured;
    std::vector<Cell> fixed_measured;
    grid.VGGetFixedParams = [&](QObject*, int col, int row, QVariant& value, TVGCellProperty&) {
        fixed_measured.push_back({col, row});
        if (col == 1)
            value = QString("A long fixed title");
    };
    grid.VGGetCellParams = [&](QObject*, int col, int row, QVariant& value, TVGCellProperty&) {
        measured.push_back({col, row});
        if (col == 0)
            value = row == 3 ? QString("widest of all") : QString("w");
    };
    ASSERT_EQ(grid.TopRow(), 1);
    ASSERT_EQ(grid.VisibleRowCount(), 4);
    grid.ResizeCols();
    EXPECT_EQ(fixed_measured, (std::vector<Cell>{{0, 0}, {1, 0}}));
    EXPECT_EQ(measured, (std::vector<Cell>{{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 1}, {1, 2}, {1, 3}, {1, 4}}));
    EXPECT_EQ(grid.ColWidths(1), 2 * sp + fm.horizontalAdvance("widest of all"));
    EXPECT_EQ(grid.ColWidths(2), 2 * sp + fm.horizontalAdvance("A long fixed title"));
    EXPECT_EQ(grid.ColWidths(0), 80); // the fixed column is left alone

    // Empty values leave every column four blanks wide; scrolled down, the rows from the top row.
    grid.VGGetFixedParams = nullptr;
    grid.VGGetCellParams = [&](QObject*, int col, int row, QVariant&, TVGCellProperty&) {
        measured.push_back({col, row});
    };
    grid.SetColWidths(1, 80); // keep the view's row count as it was
    grid.SetColWidths(2, 80);
    grid.SetTopRow(5);
    measured.clear();
    grid.ResizeCols();
    EXPECT_EQ(measured, (std::vector<Cell>{{0, 5}, {0, 6}, {0, 7}, {0, 8}, {1, 5}, {1, 6}, {1, 7}, {1, 8}}));
    EXPECT_EQ(grid.ColWidths(1), 4 * sp);
    EXPECT_EQ(grid.ColWidths(2), 4 * sp);
}

TEST_F(VirtualGridTest, WithoutFixedRowsMeasuringStartsAtRowOne) {
    grid.SetFixedRows(0);
    grid.SetTopRow(0);
    ASSERT_EQ(grid.TopRow(), 0);
    std::set<int> rows;
    grid.VGGetCellParams = [&](QObject*, int, int row, QVariant&, TVGCellProperty&) { rows.insert(row); };
    grid.ResizeCols();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(*rows.begin(), 1);
    EXPECT_EQ(*rows.rbegin(), grid.VisibleRowCount() - 1);
}

TEST_F(VirtualGridTest, PropertiesRepaintAndHandlersGetTheDefaults) {
    serve();
    grid.VGGetCellParams = [this](QObject*, int, int, QVariant& value, TVGCellProperty& prop) {
        EXPECT_NE(prop.Font, nullptr);
        if (prop.Font) {
            EXPECT_EQ(prop.Font->font, grid.font());
        }
        EXPECT_EQ(prop.Alignment, grid.Alignment());
        value = 1;
    };
    grid.SetAlignment(gui::taCenter);
    grid.SetFixedAlignment(gui::taLeftJustify);
    // Fixed cells now start a blank from their left side.
    const QFontMetrics fm(grid.font());
    const QRect fixed = ink(cell(paint(), 1, 0));
    EXPECT_NEAR(fixed.left(), fm.horizontalAdvance(' '), 2);
}

TEST_F(VirtualGridTest, RowHeightFollowsTheFont) {
    QFont font = grid.font();
    font.setPointSize(20);
    grid.setFont(font);
    grid.CorrectRowHeight();
    EXPECT_EQ(grid.DefaultRowHeight(), QFontMetrics(font).height() + 4);
    EXPECT_EQ(grid.RowHeights(5), QFontMetrics(font).height() + 4);
}

} // namespace
