// The editors that follow the property grid's current cell besides its text editor: the drop-down,
// the "..." button, and the timer that keeps the drop-down on its cell and its value in the cell.
// They sit on the grid's viewport, over the current cell; the grid decides which one a cell gets.
#pragma once

#include "components/MyGridEditors.h"

#include <QString>

class QTimer;
class QToolButton;
class TMyGrid;

class MyGridEditorHost {
public:
    // Makes the (hidden) drop-down at once: its height sets the grid's rows.
    explicit MyGridEditorHost(TMyGrid& grid);

    GridComboBox* combo() const { return combo_; }
    QToolButton* button() const { return button_; } // null until first shown
    QTimer* timer() const { return timer_; }        // null until a drop-down was first shown
    bool button_shown() const;
    bool combo_has_focus() const;

    // The drop-down over the current cell, with the owner's items: editable for cpComboEdit, a list to
    // pick from for cpComboList. What it held for its previous cell is written back first.
    void show_combo(CELL_PROPS kind);
    // Writes back, then hides it; the grid takes the keyboard.
    void hide_combo();
    // Writes the drop-down's text into the cell it was opened for, firing OnChange when that changes it.
    void read_combo();
    // Shows the current cell's text in the drop-down.
    void show_cell_text();
    void show_button(const QString& hint);
    void hide_button();
    // Puts the shown editors over the current cell again.
    void place();
    // Their cell is gone: both close without writing back. True when the drop-down had the keyboard.
    bool drop();

private:
    void on_timer();

    TMyGrid& grid_;
    GridComboBox* combo_ = nullptr;
    QToolButton* button_ = nullptr;
    QTimer* timer_ = nullptr;
    int combo_col_ = -1; // the cell the drop-down was opened for
    int combo_row_ = -1;
};
