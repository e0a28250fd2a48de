#include "app/LogView.h"

#include <QScrollBar>
#include <QTextDocument>
#include <algorithm>

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setMaximumBlockCount(max_lines);
    // Nobody edits the log: an undo history would only keep every line ever appended.
    setUndoRedoEnabled(false);
}

void LogView::append_line(const QString& line) {
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    const bool at_bottom = vertical->value() >= vertical->maximum();
    const int top_line = vertical->value();
    const int left = horizontal->value();
    // An empty log holds one empty line, which the first entry takes over.
    const int lines_expected = document()->isEmpty() ? 1 : blockCount() + 1;

    appendPlainText(line);

    horizontal->setValue(left);
    if (at_bottom) {
        vertical->setValue(vertical->maximum());
    } else {
        // Lines dropped at the top move the text up under the view: follow it, so the same lines stay in view.
        const int dropped = std::max(0, lines_expected - blockCount());
        vertical->setValue(top_line - dropped);
    }
}

void LogView::showEvent(QShowEvent* event) {
    // The first showing brings the caret, at the end of the last line, into view: the lines should show from
    // their start instead, as the view showed them before.
    const int left = horizontalScrollBar()->value();
    QPlainTextEdit::showEvent(event);
    horizontalScrollBar()->setValue(left);
}
