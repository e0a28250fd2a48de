// The long runs behind bench/long_runs.sh, on the hostile-station suite's station and program runner: figures of
// the program over an hour, not a verdict in seconds.
//
// usage: bench_long_runs --program PATH --work DIR --soak SECONDS [--seed N] [--display :N]
//        bench_long_runs --program PATH --work DIR --silent-name-server SECONDS
#include "tests/e2e/hostile/answers.h"
#include "tests/e2e/hostile/case_clock.h"
#include "tests/e2e/hostile/case_run.h"
#include "tests/e2e/hostile/name_service.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

namespace hostile {
namespace {

struct process_figures {
    long rss_kib = -1;
    int threads = -1;
};

process_figures figures_of(pid_t pid) {
    process_figures f;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:")
            status >> f.rss_kib;
        else if (key == "Threads:")
            status >> f.threads;
        status.ignore(1 << 20, '\n');
    }
    return f;
}

struct rss_sample {
    double time;
    long kib;
};

// Least-squares slope in KiB per hour.
double slope_per_hour(const std::vector<rss_sample>& s) {
    if (s.size() < 2)
        return 0;
    double mt = 0, mk = 0;
    for (const auto& x : s)
        mt += x.time, mk += static_cast<double>(x.kib);
    mt /= static_cast<double>(s.size()), mk /= static_cast<double>(s.size());
    double num = 0, den = 0;
    for (const auto& x : s)
        num += (x.time - mt) * (static_cast<double>(x.kib) - mk), den += (x.time - mt) * (x.time - mt);
    return den > 0 ? num / den * 3600 : 0;
}

// Lines of the window's log, which the program repeats on standard error, and how many of them name an address.
std::pair<long, long> log_lines(const std::string& path) {
    std::ifstream in(path);
    const std::regex stamped("^[0-9]{1,2}:[0-9]{2}:[0-9]{2}: .*");
    std::string line;
    long lines = 0, addresses = 0;
    while (std::getline(in, line))
        if (std::regex_match(line, stamped)) {
            ++lines;
            addresses += line.find(": Адрес ") != std::string::npos;
        }
    return {lines, addresses};
}

enum class behaviour { answer, close, hang, reset, refuse };
const char* const behaviour_names[] = {"answer", "close", "hang", "reset", "refuse"};

} // namespace

struct setup {
    std::string program, work_dir;
};

// The station's name gives this many addresses, all of them the station's: a refused attempt logs a line per
// address, which fills the log to its cap within minutes instead of the hours a one-address name takes.
constexpr int soak_addresses = 100;
constexpr long log_cap = 10000;

int run_soak(const setup& setup, double seconds, unsigned seed, const std::string& display) {
    for (int i = 1; i <= soak_addresses; ++i)
        add_host(setup.work_dir + "/etc/hosts", "bvsoak", "127.0.0." + std::to_string(i));
    program_run run(setup.program, setup.work_dir, "bvsoak");
    if (!display.empty())
        run.use_display(display);
    std::atomic<int> current{static_cast<int>(behaviour::answer)};
    std::atomic<int> serial{0};
    std::mutex mutex;
    std::map<int, double> sent;  // serial → when its sending began
    std::vector<int> forbidden;  // halves of answers that must never reach the file
    std::map<int, int> episodes; // per behaviour
    std::mt19937 random(seed);

    auto answer_one = [&](connection& conn) {
        const int s = ++serial;
        {
            std::lock_guard lock(mutex);
            sent[s] = elapsed();
        }
        return conn.send(frame(good_records(s)));
    };
    auto half_of_forbidden = [&](connection& conn) {
        const int s = ++serial;
        {
            std::lock_guard lock(mutex);
            forbidden.push_back(s);
        }
        const std::string answer = frame(good_records(s));
        conn.send(answer.substr(0, answer.size() / 2));
    };
    station st([&](connection& conn) {
        std::mt19937 own(seed + static_cast<unsigned>(conn.index()));
        switch (static_cast<behaviour>(current.load())) {
        case behaviour::answer:
            while (static_cast<behaviour>(current.load()) == behaviour::answer) {
                if (!conn.await_request(elapsed() + 1)) {
                    if (conn.peer_closed_at() >= 0)
                        break;
                    continue;
                }
                if (!answer_one(conn))
                    break;
            }
            break;
        case behaviour::close: // a few answers, then the station closes, now and then halfway through one
            for (int n = static_cast<int>(own() % 3); n >= 0; --n)
                if (!conn.await_request(elapsed() + 5) || !answer_one(conn))
                    break;
            if (own() % 2 && conn.await_request(elapsed() + 5))
                half_of_forbidden(conn);
            break;
        case behaviour::hang: // half an answer, then nothing: the program's time limit closes it
            if (conn.await_request(elapsed() + 5))
                half_of_forbidden(conn);
            conn.await_peer_close(elapsed() + 30);
            break;
        case behaviour::reset:
            sleep_for(static_cast<double>(own() % 50) / 1000);
            conn.reset();
            return;
        case behaviour::refuse:
            break;
        }
        conn.close();
    });

    std::vector<rss_sample> rss;
    int max_threads = 0;
    long max_rss = 0;
    double first_cycle_end = -1;
    run.start();
    const double end = elapsed() + seconds;
    double next_sample = elapsed();
    auto wait_until = [&](double until) {
        while (elapsed() < std::min(until, end) && !run.died()) {
            if (elapsed() >= next_sample) {
                const auto f = figures_of(run.process());
                if (f.rss_kib > 0) {
                    rss.push_back({elapsed(), f.rss_kib});
                    max_rss = std::max(max_rss, f.rss_kib);
                    max_threads = std::max(max_threads, f.threads);
                    // A line every five minutes, so a rise can be told from a step that settles.
                    if (rss.size() % 30 == 1) {
                        std::printf("  %5.0f s: %ld KiB, %d threads, %d connections\n", elapsed() - run.started_at(),
                                    f.rss_kib, f.threads, st.connections());
                        std::fflush(stdout);
                    }
                }
                next_sample += 10;
            }
            sleep_for(0.2);
        }
    };
    // First an outage that fills the log to its cap, so that the resident size after the first cycle is the
    // program's own and not the log's growth; then every behaviour once, then a seeded mix.
    double log_full_at = -1;
    ++episodes[static_cast<int>(behaviour::refuse)];
    current = static_cast<int>(behaviour::refuse);
    st.stop_listening();
    while (elapsed() < end && !run.died() && log_lines(run.log_path()).first < log_cap)
        wait_until(elapsed() + 5);
    if (log_lines(run.log_path()).first >= log_cap)
        log_full_at = elapsed();
    st.listen();
    std::vector<behaviour> order = {behaviour::answer, behaviour::close,  behaviour::hang,
                                    behaviour::reset,  behaviour::refuse, behaviour::answer};
    for (std::size_t step = 0; elapsed() < end && !run.died(); ++step) {
        behaviour b;
        if (step < order.size()) {
            b = order[step];
        } else {
            const int pick = static_cast<int>(random() % 100);
            b = pick < 35   ? behaviour::answer
                : pick < 55 ? behaviour::close
                : pick < 70 ? behaviour::hang
                : pick < 85 ? behaviour::reset
                            : behaviour::refuse;
        }
        if (step == order.size())
            first_cycle_end = elapsed();
        const double length =
            b == behaviour::answer ? 20 + static_cast<double>(random() % 60) : 10 + static_cast<double>(random() % 30);
        ++episodes[static_cast<int>(b)];
        current = static_cast<int>(b);
        if (b == behaviour::refuse)
            st.stop_listening();
        wait_until(elapsed() + length);
        if (b == behaviour::refuse)
            st.listen();
    }
    const bool died = run.died();
    const exit_report exit = run.terminate(10);
    const auto samples = run.samples();

    // The file's contents: answers in order, each within a tick of its sending, no forbidden one.
    int out_of_order = 0, forbidden_seen = 0, unknown = 0, late = 0, last = 0;
    double worst = 0, total = 0;
    std::map<int, double> written;
    {
        std::lock_guard lock(mutex);
        for (const auto& s : samples) {
            const int k = serial_of(s);
            if (k <= 0) {
                ++unknown;
                continue;
            }
            if (std::find(forbidden.begin(), forbidden.end(), k) != forbidden.end())
                ++forbidden_seen;
            if (k <= last)
                ++out_of_order;
            last = std::max(last, k);
            if (const auto it = sent.find(k); it != sent.end()) {
                const double latency = s.time - it->second;
                written[k] = latency;
                worst = std::max(worst, latency);
                total += latency;
                late += latency > 1.0;
            }
        }
    }
    const std::size_t answers = sent.size();
    std::vector<rss_sample> after_first;
    for (const auto& r : rss)
        if (first_cycle_end > 0 && r.time >= first_cycle_end)
            after_first.push_back(r);
    const auto [lines, address_lines] = log_lines(run.log_path());

    std::printf("soak: %.0f s, seed %u, %d connections; episodes:", seconds, seed, st.connections());
    for (const auto& [b, n] : episodes)
        std::printf(" %s %d", behaviour_names[b], n);
    std::printf("\nanswers: %zu sent, %zu written, %d late (> 1 s), latency mean %.3f s, max %.3f s\n", answers,
                written.size(), late, written.empty() ? 0.0 : total / static_cast<double>(written.size()), worst);
    std::printf("stale or partial answers written: %d forbidden, %d out of order, %d contents of no answer "
                "(%zu half answers sent)\n",
                forbidden_seen, out_of_order, unknown, forbidden.size());
    std::printf("resident: first cycle ends at %.0f s with %ld KiB; end %ld KiB; max %ld KiB; slope after the "
                "first cycle %+.1f KiB/h (%zu samples); max threads %d\n",
                first_cycle_end - run.started_at(), after_first.empty() ? -1 : after_first.front().kib,
                rss.empty() ? -1 : rss.back().kib, max_rss, slope_per_hour(after_first), after_first.size(),
                max_threads);
    std::printf("log: %ld lines (%ld name an address), %ld %s %.0f s; the window keeps the newest %ld\n", lines,
                address_lines, log_cap, log_full_at > 0 ? "reached at" : "NOT reached in",
                (log_full_at > 0 ? log_full_at : elapsed()) - run.started_at(), log_cap);
    std::printf("exit: %s, code %d, signal %d, %.2f s, Borevane.ini %s\n", died ? "died before SIGTERM" : "SIGTERM",
                exit.code, exit.signal, exit.seconds, exit.ini_saved ? "saved" : "NOT saved");
    for (const auto& v : run.violations())
        std::printf("violation: %s\n", v.c_str());
    const bool ok = !died && exit.exited && exit.code == 0 && forbidden_seen == 0 && out_of_order == 0 &&
                    unknown == 0 && late == 0 && lines >= log_cap && run.violations().empty();
    std::printf("SOAK %s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}

int run_silent_name_server(const setup& setup, double seconds) {
    dns_stub dns(dns_stub::mode::silent);
    program_run run(setup.program, setup.work_dir, "bvsilent");
    run.start();
    const double started = elapsed();
    int max_threads = 0, first_threads = -1;
    long max_rss = 0, first_rss = -1;
    std::vector<rss_sample> rss;
    double next_report = started + 300;
    while (elapsed() < started + seconds && !run.died()) {
        const auto f = figures_of(run.process());
        if (f.rss_kib > 0) {
            if (first_rss < 0 && elapsed() > started + 20)
                first_rss = f.rss_kib, first_threads = f.threads;
            max_rss = std::max(max_rss, f.rss_kib);
            max_threads = std::max(max_threads, f.threads);
            rss.push_back({elapsed(), f.rss_kib});
        }
        if (elapsed() >= next_report) {
            std::printf("  %5.0f s: %d threads (max %d), %ld KiB (max %ld), %d queries\n", elapsed() - started,
                        f.threads, max_threads, f.rss_kib, max_rss, dns.queries());
            std::fflush(stdout);
            next_report += 300;
        }
        sleep_for(1);
    }
    // The name resolves again: how long until values flow, with the abandoned look-ups still holding threads.
    std::atomic<int> serial{0};
    station st([&serial](connection& conn) { conn.serve([&serial] { return frame(good_records(++serial)); }); });
    add_host(setup.work_dir + "/etc/hosts", "bvsilent", "127.0.0.1");
    const double healed = elapsed();
    const auto first = run.wait_for([](const file_sample& s) { return serial_of(s) > 0; }, healed, healed + 400);
    const bool died = run.died();
    const exit_report exit = run.terminate(10);
    const auto [lines, address_lines] = log_lines(run.log_path());
    std::printf("silent name server: %.0f s, %d queries; threads after 20 s %d, max %d; resident after 20 s %ld KiB, "
                "max %ld KiB, end %ld KiB, slope %+.1f KiB/h\n",
                seconds, dns.queries(), first_threads, max_threads, first_rss, max_rss,
                rss.empty() ? -1 : rss.back().kib, slope_per_hour(rss));
    std::printf("name resolvable again: first values after %s; log %ld lines; exit code %d in %.2f s%s\n",
                first ? hostile::seconds(*first - healed).c_str() : "none within 400 s", lines, exit.code, exit.seconds,
                died ? "; DIED before SIGTERM" : "");
    (void)address_lines;
    return !died && first && exit.code == 0 ? 0 : 1;
}

} // namespace hostile

int main(int argc, char** argv) {
    hostile::setup setup;
    double soak = -1, silent = -1;
    unsigned seed = 1;
    std::string display;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i], value = argv[i + 1];
        if (arg == "--program")
            setup.program = value;
        else if (arg == "--work")
            setup.work_dir = value;
        else if (arg == "--soak")
            soak = std::atof(value.c_str());
        else if (arg == "--silent-name-server")
            silent = std::atof(value.c_str());
        else if (arg == "--seed")
            seed = static_cast<unsigned>(std::atol(value.c_str()));
        else if (arg == "--display")
            display = value;
    }
    // The station takes port 8001 and the runs rewrite /etc/hosts: only in private namespaces.
    if (!std::getenv("BV_HOSTILE_IN_NAMESPACES") || setup.program.empty() || setup.work_dir.empty()) {
        std::fprintf(stderr, "bench_long_runs: run it through bench/long_runs.sh\n");
        return 2;
    }
    if (soak > 0)
        return hostile::run_soak(setup, soak, seed, display);
    if (silent > 0)
        return hostile::run_silent_name_server(setup, silent);
    std::fprintf(stderr, "bench_long_runs: --soak or --silent-name-server is needed\n");
    return 2;
}
