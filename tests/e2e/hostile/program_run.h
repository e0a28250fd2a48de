#pragma once
// The built tray program as one case runs it: copied into a fresh directory (so Borevane.bin and Borevane.ini
// land there), with a private home and XDG directories and Qt's offscreen platform. A watcher thread polls
// Borevane.bin every 2 ms, keeps every distinct content it saw with its time, records any size but 24
// bytes, and notices the process dying, without reaping it.

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace hostile {

struct file_sample {
    double time;
    std::array<float, 6> values;
};

struct exit_report {
    bool exited = false; // ended within the time allowed
    int code = -1;       // exit code, when it exited normally
    int signal = 0;      // the signal that ended it, if one did
    double seconds = 0;  // from SIGTERM to the end
    bool ini_saved = false;
    std::string ini;
};

class program_run {
public:
    // `remote_name` empty: no Borevane.ini beforehand, the program's default host.
    program_run(const std::string& program, const std::string& work_dir, const std::string& remote_name);
    ~program_run();
    program_run(const program_run&) = delete;
    program_run& operator=(const program_run&) = delete;

    // Runs the program on this X display (a tray and a window manager are the caller's) instead of offscreen.
    void use_display(const std::string& display) { x_display = display; }
    void start();
    double started_at() const { return started; }
    pid_t process() const { return pid; }

    // Everything Borevane.bin held, in order; each entry is a change of its content.
    std::vector<file_sample> samples() const;
    // Waits until a content satisfying `pred` has been seen after `since`; its time, or nothing by `deadline`.
    std::optional<double> wait_for(const std::function<bool(const file_sample&)>& pred, double since,
                                   double deadline) const;
    // Sizes other than 24 bytes seen, and the death of the process before it was asked to end.
    std::vector<std::string> violations() const;
    bool died() const { return death_seen.load(); }

    // SIGTERM, then waits up to `timeout` seconds (SIGKILL after that) and reads Borevane.ini.
    exit_report terminate(double timeout);
    // Removes Borevane.bin and Borevane.ini, for a new run in the same directory.
    void clear_files();

    const std::string& log_path() const { return log; }

private:
    void watch();
    void violation(std::string what);

    std::string bin_dir, exe, log, home, config, runtime, x_display;
    pid_t pid = -1;
    double started = 0;
    std::atomic<bool> stopping{false}, terminating{false}, death_seen{false};
    mutable std::mutex mutex;
    std::vector<file_sample> seen;
    std::vector<std::string> problems;
    long bad_sizes = 0; // polls that found Borevane.bin with a size but 24 bytes
    double first_bad_size = -1;
    long bad_size_bytes = 0;
    std::thread watcher;
};

} // namespace hostile
