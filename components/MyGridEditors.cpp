#include "components/MyGridEditors.h"

#include "components/MyGrid.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>

MyGridInplaceEdit::MyGridInplaceEdit(gui::TDrawGrid* grid) : gui::TInplaceEdit(grid) {
    setFrame(true);
}

void MyGridInplaceEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isUndoAvailable()) {
        undo();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* grid = qobject_cast<TMyGrid*>(Grid());
        if (grid && grid->editors_.button_shown()) {
            grid->button_click();
            event->accept();
            return;
        }
    }
    gui::TInplaceEdit::keyPressEvent(event);
}

void MyGridInplaceEdit::BoundsChanged() {
    gui::TInplaceEdit::BoundsChanged();
    auto* grid = qobject_cast<TMyGrid*>(Grid());
    if (!grid)
        return;
    grid->process_button(grid->Col(), grid->Row());
    // Keep clear of the "..." button at the cell's right end.
    if (grid->editors_.button_shown() && height() >= 1) {
        const int right = std::max(x() + width() - grid->Button()->width(), x() + 2);
        resize(right - x(), height());
    }
}

GridComboBox::GridComboBox(QWidget* parent) : QComboBox(parent) {}

bool GridComboBox::list_open() const {
    return view() && view()->isVisible();
}

void GridComboBox::keyPressEvent(QKeyEvent* event) {
    // An editable drop-down holds the keyboard in place of the in-place editor, so the keys that move
    // between rows still do.
    const int key = event->key();
    const bool row_key = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    if (row_key && isEditable() && !(event->modifiers() & Qt::AltModifier)) {
        for (QWidget* w = parentWidget(); w; w = w->parentWidget())
            if (auto* grid = qobject_cast<TMyGrid*>(w)) {
                grid->navigate(key, event->modifiers());
                event->accept();
                return;
            }
    }
    QComboBox::keyPressEvent(event);
}

void GridComboBox::wheelEvent(QWheelEvent* event) {
    if (list_open()) {
        event->accept();
        return;
    }
    QComboBox::wheelEvent(event);
}
