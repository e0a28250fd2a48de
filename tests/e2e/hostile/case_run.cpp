#include "tests/e2e/hostile/case_run.h"

#include "tests/e2e/hostile/case_clock.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

namespace hostile {

namespace {
constexpr double grace = 30; // how long past its bound a late recovery is still waited for, to report it
}

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", s);
    return text;
}

case_run::case_run(std::string name_, const std::string& program, const std::string& work_dir,
                   const std::string& remote_name)
    : name(std::move(name_)), work(work_dir), run(program, work_dir, remote_name) {}

case_run::~case_run() = default;

void case_run::station_script(station::script script, const std::string& ipv4) {
    st = std::make_unique<station>(std::move(script), ipv4);
}

void case_run::start_program() {
    run.start();
}

std::string case_run::good() {
    return frame(good_records(next_serial()));
}

void case_run::serve(connection& c, double deadline) {
    c.serve([this] { return good(); }, deadline);
}

void case_run::fault() {
    fault_serial = serial.load();
    fault_time = elapsed();
}

std::optional<double> case_run::await_fault(double timeout) {
    const double deadline = elapsed() + timeout;
    while (fault_time < 0) {
        if (elapsed() > deadline) {
            check(false, "the station's fault never happened (the program never got that far)");
            return std::nullopt;
        }
        sleep_for(0.005);
    }
    return fault_time.load();
}

void case_run::forbid(int serial_or_depth) {
    std::lock_guard lock(mutex);
    forbidden.insert(serial_or_depth);
}

void case_run::check(bool ok, const std::string& what) {
    if (ok)
        return;
    std::lock_guard lock(mutex);
    failures.push_back(what);
}

void case_run::note(const std::string& text) {
    std::lock_guard lock(mutex);
    notes.push_back(text);
}

std::optional<double> case_run::expect_recovery(double bound, std::optional<double> from) {
    const double start = from ? *from : fault_time.load();
    const int after = fault_serial;
    const auto seen =
        run.wait_for([after](const file_sample& s) { return serial_of(s) > after; }, start, start + bound + grace);
    recovery_bound = bound;
    if (!seen) {
        check(false,
              "no correct values within " + seconds(bound + grace) + " of the fault (bound " + seconds(bound) + ")");
        return std::nullopt;
    }
    recovery = *seen - start;
    check(*recovery <= bound, "correct values came back after " + seconds(*recovery) + ", bound " + seconds(bound));
    return seen;
}

std::optional<double> case_run::expect_content(const std::function<bool(const file_sample&)>& pred,
                                               const std::string& what, double from, double bound) {
    const auto seen = run.wait_for(pred, from, from + bound + grace);
    if (!seen) {
        check(false, what + ": not written within " + seconds(bound + grace));
        return std::nullopt;
    }
    check(*seen - from <= bound, what + ": written after " + seconds(*seen - from) + ", bound " + seconds(bound));
    if (!recovery) {
        recovery = *seen - from;
        recovery_bound = bound;
    }
    return seen;
}

int case_run::finish(double exit_bound) {
    const auto samples = run.samples();
    for (const auto& s : samples) {
        const int serial_seen = serial_of(s);
        const int depth = std::isfinite(s.values[0]) ? static_cast<int>(s.values[0]) : 0;
        std::lock_guard lock(mutex);
        if ((serial_seen > 0 && forbidden.count(serial_seen)) || (serial_seen < 0 && forbidden.count(depth)))
            failures.push_back("a forbidden answer was written to Borevane.bin at " +
                               seconds(s.time - run.started_at()) + " after start (depth " +
                               std::to_string(s.values[0]) + ")");
    }
    for (const auto& v : run.violations())
        check(false, v);
    if (st) {
        const auto accepted = st->accept_times();
        std::string times;
        for (double t : accepted)
            times += (times.empty() ? "" : " ") + seconds(t - run.started_at());
        note("connections at " + (times.empty() ? std::string("-") : times));
        // Every new connection follows a pause of five ticks, which is at least four seconds.
        for (std::size_t i = 1; i < accepted.size(); ++i)
            check(accepted[i] - accepted[i - 1] >= rules::pause - 1 - 0.5,
                  "connection " + std::to_string(i + 1) + " came " + seconds(accepted[i] - accepted[i - 1]) +
                      " after the one before: no pause between them");
    }
    const bool died_before = run.died();
    // A late exit is waited for (up to the grace period) so the report tells how late it was.
    const exit_report end = run.terminate(exit_bound + grace);
    if (!died_before) {
        check(end.exited && end.signal == 0 && end.code == 0,
              end.signal ? "SIGTERM ended the program with signal " + std::to_string(end.signal)
                         : "after SIGTERM the exit code was " + std::to_string(end.code));
        check(end.seconds <= exit_bound, "the exit took " + seconds(end.seconds) + ", bound " + seconds(exit_bound));
        check(end.ini_saved, "no Borevane.ini saved on SIGTERM");
    }
    st.reset();

    std::ostringstream line;
    line << "CASE " << name << (failures.empty() ? " PASS" : " FAIL");
    if (recovery)
        line << "  recovery " << seconds(*recovery) << " (bound " << seconds(recovery_bound) << ")";
    line << "  exit " << seconds(end.seconds);
    for (const auto& n : notes)
        line << "; " << n;
    for (const auto& f : failures)
        line << "\n    FAIL: " << f;
    std::cout << line.str() << std::endl;
    return failures.empty() ? 0 : 1;
}

} // namespace hostile
