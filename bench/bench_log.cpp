// The main window's log over a long run: time and memory for N appended lines (default 100,000) of the
// length the program logs, in the bounded log view, against a plain unbounded text view for comparison.
// Runs on Qt's offscreen platform unless another is asked for.
#include "app/LogView.h"
#include "bench/rss.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTime>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace {

template <class Append> void run(const char* name, QPlainTextEdit& view, int lines, Append append) {
    view.resize(600, 300);
    view.show();
    QCoreApplication::processEvents();
    malloc_trim(0);
    const long before = bench::rss_kib();
    QElapsedTimer timer;
    timer.start();
    const QString text = QStringLiteral("12:34:56: Произошла ошибка при подключении к программе регистрации!");
    for (int i = 0; i < lines; ++i) {
        append(text);
        if (i % 1000 == 999)
            QCoreApplication::processEvents(); // a painted view, as in the running program
    }
    QCoreApplication::processEvents();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    malloc_trim(0);
    const long after = bench::rss_kib();
    std::printf("%-22s %7d lines  %8.1f ms  %6.2f us/line  RSS %+7ld KiB (%ld -> %ld KiB)  kept %d lines\n", name,
                lines, ms, ms * 1000.0 / lines, after - before, before, after, view.blockCount());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    {
        LogView log;
        run("bounded log view", log, lines, [&](const QString& t) { log.append_line(t); });
    }
    {
        QPlainTextEdit plain;
        plain.setReadOnly(true);
        plain.setLineWrapMode(QPlainTextEdit::NoWrap);
        run("unbounded text view", plain, lines, [&](const QString& t) { plain.appendPlainText(t); });
    }
    return 0;
}
