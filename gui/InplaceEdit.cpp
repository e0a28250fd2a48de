#include "gui/InplaceEdit.h"

#include "gui/DrawGrid.h"

#include <QKeyEvent>

namespace gui {

TInplaceEdit::TInplaceEdit(TDrawGrid* grid) : QLineEdit(grid->viewport()), grid_(grid) {
    setFrame(false);
    hide();
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { grid_->editor_text_changed(text); });
}

void TInplaceEdit::SetBounds(const QRect& rect) {
    setGeometry(rect);
    BoundsChanged();
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Escape:
        grid_->cancel_edit();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        grid_->end_edit();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        grid_->navigate(key, mods);
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (ctrl) {
            grid_->navigate(key, mods);
            return;
        }
        break;
    case Qt::Key_Left:
        // At the start of the text the arrow leaves the cell.
        if (cursorPosition() == 0 && !hasSelectedText() && !(mods & Qt::ShiftModifier)) {
            grid_->navigate(key, mods);
            return;
        }
        break;
    case Qt::Key_Right:
        if (cursorPosition() == text().size() && !hasSelectedText() && !(mods & Qt::ShiftModifier)) {
            grid_->navigate(key, mods);
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace gui
