#pragma once
// A grid driven as a user drives it: a click that makes a cell current, typing into the cell's editor.
#include "gui/DrawGrid.h"
#include "gui/InplaceEdit.h"

#include <QTest>
#include <gtest/gtest.h>

namespace bv_test {

// Clicks cell (col, row) a little inside its left edge.
inline void click_cell(gui::TDrawGrid& grid, int col, int row) {
    const gui::TRect r = grid.CellRect(col, row);
    ASSERT_FALSE(r.empty()) << "cell " << col << "," << row << " is not shown";
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(r.left + 5, r.top + r.height() / 2));
}

// Replaces the text of cell (col, row) by clicking it and typing into its editor, key by key with the character
// as the key's text (QTest knows keys for ASCII characters only); an empty text is a Delete.
inline void type_into_cell(gui::TDrawGrid& grid, int col, int row, const QString& text) {
    click_cell(grid, col, row);
    gui::TInplaceEdit* edit = grid.InplaceEditor();
    ASSERT_TRUE(edit && edit->isVisible());
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace bv_test
