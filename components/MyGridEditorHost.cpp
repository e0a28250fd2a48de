#include "components/MyGridEditorHost.h"

#include "components/MyGrid.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>

MyGridEditorHost::MyGridEditorHost(TMyGrid& grid) : grid_(grid) {
    // On the viewport, whose pixels the cell rectangles are in.
    combo_ = new GridComboBox(grid.viewport());
    combo_->setEditable(true);
    combo_->setGeometry(0, -100, 10, 10);
    combo_->hide();
}

bool MyGridEditorHost::button_shown() const {
    return button_ && !button_->isHidden();
}

bool MyGridEditorHost::combo_has_focus() const {
    return combo_->hasFocus() || combo_->isAncestorOf(QApplication::focusWidget());
}

void MyGridEditorHost::show_combo(CELL_PROPS kind) {
    // Moving straight from one drop-down cell onto another: what the user typed or chose goes to its own
    // cell before the drop-down takes the new cell's text.
    read_combo();
    if (!timer_) {
        timer_ = new QTimer(&grid_);
        timer_->setInterval(500);
        QObject::connect(timer_, &QTimer::timeout, &grid_, [this] { on_timer(); });
        timer_->start();
    }
    combo_->show();
    place();
    if (grid_.OnGetPopupStrings) {
        combo_->clear();
        QStringList items;
        grid_.OnGetPopupStrings(&grid_, grid_.Col(), grid_.Row(), items);
        combo_->addItems(items);
    }
    show_cell_text();
    combo_->setEditable(kind == cpComboEdit);
    show_cell_text();
    combo_col_ = grid_.Col();
    combo_row_ = grid_.Row();
}

void MyGridEditorHost::show_cell_text() {
    if (combo_->isHidden())
        return;
    const QString text = grid_.Cells(grid_.Col(), grid_.Row());
    const int found = combo_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (combo_->isEditable()) {
        // The list opens on the value's own item, or on none when the text is not among them.
        combo_->setCurrentIndex(found);
        combo_->setEditText(text);
        return;
    }
    // A pick-only list shows a value that is not among its items as a new first item.
    int index = found;
    if (index < 0) {
        combo_->insertItem(0, text);
        index = 0;
    }
    combo_->setCurrentIndex(index);
}

void MyGridEditorHost::read_combo() {
    if (combo_->isHidden())
        return;
    const QString text = combo_->currentText();
    if (text == grid_.Cells(combo_col_, combo_row_))
        return;
    grid_.SetCellText(combo_col_, combo_row_, text);
    if (grid_.OnChange)
        grid_.OnChange(&grid_);
}

void MyGridEditorHost::hide_combo() {
    if (combo_->isHidden())
        return;
    read_combo();
    combo_->hide();
    if (grid_.isEnabled())
        grid_.setFocus();
}

void MyGridEditorHost::on_timer() {
    if (combo_->isHidden() || combo_->list_open())
        return;
    const gui::TRect r = grid_.CellRect(grid_.Col(), grid_.Row());
    if (r.left != combo_->x() + 1 || r.top != combo_->y() + 1) {
        grid_.ColWidthsChanged(); // the grid scrolled or a column moved: place the editors again
        return;
    }
    read_combo();
}

void MyGridEditorHost::show_button(const QString& hint) {
    if (!button_) {
        button_ = new QToolButton(grid_.viewport());
        button_->setAutoRaise(true);
        button_->setFocusPolicy(Qt::NoFocus); // the grid keeps the keyboard
        button_->hide();
        QObject::connect(button_, &QToolButton::clicked, &grid_, [this] { grid_.button_click(); });
    }
    button_->show();
    button_->setText(QStringLiteral("..."));
    button_->setToolTip(hint);
    place();
}

void MyGridEditorHost::hide_button() {
    if (button_)
        button_->hide();
}

void MyGridEditorHost::place() {
    const gui::TRect r = grid_.CellRect(grid_.Col(), grid_.Row());
    if (button_shown() && r.width() != 0) {
        // A square over the cell's right end.
        button_->setGeometry(r.right - r.height(), r.top, r.height(), r.height());
        button_->raise();
    }
    if (!combo_->isHidden()) {
        // Over the cell and its grid lines, above the in-place editor.
        combo_->setGeometry(r.left - 1, r.top - 1, r.width() + 2, r.height() + 2);
        combo_->raise();
    }
}

bool MyGridEditorHost::drop() {
    const bool had_focus = combo_has_focus();
    combo_->hide();
    hide_button();
    return had_focus;
}
