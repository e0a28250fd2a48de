// A live view of Borevane.bin for crews and installers: the six values the depth module last wrote,
// their last ten minutes, and the module's health. Finds the file as the console reader does:
// through the recorded install location (looked up again at every read, so the monitor may start
// before the module ever ran), or the path given with --path. Its settings (units, the window's
// place) live in the user's configuration folder, beside the module's own.

#include "library/cli_args.h"
#include "tools/monitor/ValuesMonitor.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <cstdio>
#include <memory>

namespace {

const char* const program = "borevane_monitor";
const char* const usage = "[--path FILE] [--print]";

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TValuesMonitor::Options options;
    bool print = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::printf("usage: %s %s\n", program, usage);
            return 0;
        } else if (arg == "--print") {
            print = true;
        } else if (arg == "--path" && i + 1 < argc && argv[i + 1][0] != '\0') {
            options.path = argv[++i];
        } else {
            return lib::usage_error(program, arg == "--path" ? "--path needs a file name" : "unknown option " + arg,
                                    usage);
        }
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!config.isEmpty())
        options.settings_dir = QDir(config).filePath("Kalvemark");

    TValuesMonitor monitor(options);
    if (print) {
        // One line per reading, for scripts that watch the monitor, and the headline whenever it changes.
        auto headline = std::make_shared<QString>();
        auto report = [headline](const TValuesMonitor& m) {
            if (const QString now = m.StatusLabel()->text(); now != *headline) {
                *headline = now;
                std::printf("status: %s\n", now.toUtf8().constData());
            }
            const auto& last = m.Last();
            const std::string line = last.snapshot ? format_snapshot(*last.snapshot) : "unread: " + last.error;
            std::printf("%s%s\n", line.c_str(), m.Stale() ? " stale" : "");
            std::fflush(stdout);
        };
        report(monitor);
        monitor.OnRefresh = report;
    }
    monitor.show();
    return app.exec();
}
