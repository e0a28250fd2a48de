// The property grid's editors of a cell's text: the editor kinds a cell may have, the in-place text
// editor and the drop-down.
#pragma once

#include "gui/InplaceEdit.h"

#include <QComboBox>
#include <cstdint>

class QWheelEvent;

// The editor kind of one cell, asked from the grid's owner.
enum CELL_PROPS : std::uint8_t {
    cpEdit = 0,           // the in-place text editor only
    cpComboEdit = 1,      // a drop-down whose text can be typed
    cpColor = 2,          // drawn as a colour swatch; "..." opens the colour pop-up
    cpComboList = 3,      // a drop-down list: a value can only be picked
    cpReadOnly = 4,       // no editor
    cpEditButton = 5,     // the text editor and a "..." button
    cpReadOnlyButton = 6, // a "..." button only
};

// The grid's in-place text editor: Enter presses the grid's "..." button while it is shown, and the
// editor keeps clear of that button.
class MyGridInplaceEdit : public gui::TInplaceEdit {
    Q_OBJECT
public:
    explicit MyGridInplaceEdit(gui::TDrawGrid* grid);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void BoundsChanged() override;
};

// The grid's drop-down editor; the mouse wheel does nothing while its list is open.
class GridComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit GridComboBox(QWidget* parent = nullptr);
    bool list_open() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};
