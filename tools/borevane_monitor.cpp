// A live view of Borevane.bin for crews and installers: the six values the depth module last wrote,
// the rate of penetration as a bar, and how old the file is. Finds the file as the console reader
// does: through the recorded install location, or the path given with --path.

#include "tools/ValuesMonitor.h"
#include "tools/cli_args.h"

#include <QApplication>
#include <cstdio>

namespace {

const char* const program = "borevane_monitor";
const char* const usage = "[--path FILE] [--print]";

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string given;
    bool print = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::printf("usage: %s %s\n", program, usage);
            return 0;
        } else if (arg == "--print") {
            print = true;
        } else if (arg == "--path" && i + 1 < argc && argv[i + 1][0] != '\0') {
            given = argv[++i];
        } else {
            return tools::usage_error(program, arg == "--path" ? "--path needs a file name" : "unknown option " + arg,
                                      usage);
        }
    }
    std::string error;
    const auto path = tools::output_file_path(given, error);
    if (!path) {
        std::fprintf(stderr, "%s: %s; use --path\n", program, error.c_str());
        return 1;
    }

    TValuesMonitor monitor(*path);
    if (print) {
        // One line per reading, for scripts that watch the monitor.
        monitor.OnRefresh = [](const TValuesMonitor& m) {
            const auto& last = m.Last();
            const std::string line = last.snapshot ? tools::format_snapshot(*last.snapshot) : "unread: " + last.error;
            std::printf("%s%s\n", line.c_str(), m.Stale() ? " stale" : "");
            std::fflush(stdout);
        };
    }
    monitor.show();
    return app.exec();
}
