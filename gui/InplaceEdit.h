// The grid's in-place text editor: a line edit laid over the current cell. It hands navigation keys
// (Up, Down, Page Up/Down, Tab, Enter, Ctrl+Home/End, and Left/Right at the ends of the text) to its
// grid, writes each change into the cell, and Escape brings back the text the cell had when editing
// began. Descendants refine the key handling (keyPressEvent) and the placing (BoundsChanged).
#pragma once

#include <QLineEdit>

namespace gui {

class TDrawGrid;

class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEdit(TDrawGrid* grid);

    TDrawGrid* Grid() const { return grid_; }
    // Places the editor over rect (viewport pixels) and then calls BoundsChanged.
    void SetBounds(const QRect& rect);

protected:
    // After every placing over a cell.
    virtual void BoundsChanged() {}
    void keyPressEvent(QKeyEvent* event) override;

private:
    TDrawGrid* grid_;
};

} // namespace gui
