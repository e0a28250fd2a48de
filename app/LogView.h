#pragma once
// The main window's log: read-only, one line per entry, the newest at the end. An unattended program runs for
// months, so only the newest lines are kept; and appending never moves a view the user has scrolled away from
// the end (to read the history, or the end of a long line).
#include <QPlainTextEdit>

class LogView : public QPlainTextEdit {
public:
    static constexpr int max_lines = 10000;

    explicit LogView(QWidget* parent = nullptr);

    // Adds a line, dropping the oldest beyond `max_lines`. A view at the bottom follows the new line; any
    // other view keeps showing the lines it showed, at the same horizontal position.
    void append_line(const QString& line);

protected:
    void showEvent(QShowEvent* event) override;
};
