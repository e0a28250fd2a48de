#pragma once
// One hostile-station case from start to verdict: the station and the program it talks to, the fault the
// script marks, the recovery it waits for, and the checks every case makes (the program never dies,
// Borevane.bin is always absent or 24 bytes, a forbidden answer is never written, SIGTERM ends it with
// exit code 0 and a saved Borevane.ini). Prints one line: the case, PASS or FAIL, the recovery time.

#include "tests/e2e/hostile/answers.h"
#include "tests/e2e/hostile/program_run.h"
#include "tests/e2e/hostile/station.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hostile {

// What the program's rules allow, in seconds. One tick is one second.
namespace rules {
constexpr double pause = 5;            // Paused lasts five ticks
constexpr double answer_timeout = 10;  // ticks an answer may stay incomplete after its request
constexpr double attempt_timeout = 10; // ticks an attempt may stay unconnected
constexpr double first_request = 1.3;  // from the connection to the first request (a 300 ms nap, then the call)
constexpr double next_request = 1.2;   // between requests: once per change of the second, seen in 300 ms naps
constexpr double slack = 1.5;          // scheduling on a loaded two-core machine, the 2 ms poll of the file
constexpr double startup = 2;          // from exec to the first connection attempt
constexpr double exit = 3;             // from SIGTERM to the end of the process
} // namespace rules

class case_run {
public:
    case_run(std::string name, const std::string& program, const std::string& work_dir,
             const std::string& remote_name = "");
    ~case_run();

    // The station's script for each connection; the station listens from here on.
    void station_script(station::script script, const std::string& ipv4 = "");
    void start_program();
    program_run& program() { return run; }
    station& the_station() { return *st; }
    const std::string& work_dir() const { return work; }

    // The next well-formed answer (its serial is the next one), and the script that gives one per request.
    std::string good();
    int next_serial() { return ++serial; }
    void serve(connection& c, double deadline = 1e9);

    // The fault happens now: recovery is measured from here, and only answers issued after it count.
    void fault();
    std::optional<double> await_fault(double timeout);
    // An answer whose values must never reach the file (a stale or poisoned one).
    void forbid(int serial_or_depth);

    void check(bool ok, const std::string& what);
    void note(const std::string& text);

    // Waits for the values of an answer issued after the fault, at most `bound` seconds after `from`
    // (the fault's time by default) plus a grace period for reporting how late it was.
    std::optional<double> expect_recovery(double bound, std::optional<double> from = {});
    // Waits for a content accepted by `pred` seen after `from`, within `bound`.
    std::optional<double> expect_content(const std::function<bool(const file_sample&)>& pred, const std::string& what,
                                         double from, double bound);

    int finish(double exit_bound = rules::exit);

private:
    std::string name, work;
    program_run run;
    std::unique_ptr<station> st;
    std::atomic<int> serial{0};
    std::atomic<double> fault_time{-1};
    std::atomic<int> fault_serial{0};
    std::mutex mutex;
    std::vector<std::string> failures, notes;
    std::set<int> forbidden;
    std::optional<double> recovery;
    double recovery_bound = 0;
};

// Fixed-point text of seconds, for the report.
std::string seconds(double s);

} // namespace hostile
