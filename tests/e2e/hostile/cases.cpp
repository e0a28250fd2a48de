#include "tests/e2e/hostile/cases.h"

#include "tests/e2e/hostile/case_clock.h"
#include "tests/e2e/hostile/case_run.h"
#include "tests/e2e/hostile/connect_attempts.h"
#include "tests/e2e/hostile/name_service.h"

#include "library/cp1251.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <netdb.h>
#include <random>
#include <sstream>

namespace hostile {
namespace {

using namespace rules;
using records = std::vector<answer_record>;

// Bounds that follow from the rules, counted from the fault.
// The station drops a working connection: the pause, then a new connection and its first request.
constexpr double after_drop = pause + first_request + slack;
// The answer stays incomplete: the time limit from its request, the pause, the new connection's request.
constexpr double after_stall = answer_timeout + pause + first_request + slack;
// The answer was readable: the next request follows within a second or so.
constexpr double after_answer = next_request + slack;

// A fresh look-up of `name` here, now, succeeds within a second.
bool resolves_at_once(const std::string& name) {
    const double asked = elapsed();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const bool ok = ::getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0;
    if (found)
        ::freeaddrinfo(found);
    return ok && elapsed() - asked < 1;
}

// A poisoned answer: a hole depth that must never reach the file.
records poison(int depth) {
    records r = good_records(0);
    r[0].value = depth;
    r[1].value = depth - 0.5;
    return r;
}

// The first request gets a good answer; the second one is the script's to answer.
std::optional<double> second_request(case_run& c, connection& conn) {
    if (!conn.await_request(elapsed() + 15))
        return std::nullopt;
    if (!conn.send(c.good()))
        return std::nullopt;
    return conn.await_request(elapsed() + 15);
}

// Connection 1 gets `hostile` (after one good answer when `warm`); every later one is served normally.
station::script first_connection(case_run& c, std::function<void(connection&, double)> hostile, bool warm = true) {
    return [&c, hostile, warm](connection& conn) {
        if (conn.index() != 1)
            return c.serve(conn);
        if (!warm)
            return hostile(conn, conn.accepted_at());
        if (const auto requested = second_request(c, conn))
            hostile(conn, *requested);
    };
}

// The program closes a stalled connection itself, within the time limit of its request and not before.
void expect_closed_at_time_limit(case_run& c, connection& conn, double requested, bool read = true) {
    const auto closed = conn.await_peer_close(requested + answer_timeout + 30, read);
    if (!closed) {
        c.check(false, "the program did not close the stalled connection");
        return;
    }
    const double after = *closed - requested;
    c.note("stalled connection closed " + seconds(after) + " after the request");
    c.check(after >= answer_timeout - 1 - slack,
            "the stalled connection was closed too early, " + seconds(after) + " after the request");
    c.check(after <= answer_timeout + slack, "the stalled connection was closed " + seconds(after) +
                                                 " after the request (limit " + seconds(answer_timeout) +
                                                 "): its late bytes could still be decoded");
}

void reset_after_accept(case_run& c) {
    // At once, before the program has seen the connection, and after it has: each reset is one attempt, and
    // each is followed by the pause (the verdict checks the distance between connections).
    static constexpr double delays[] = {0, 0.002, 0.05};
    c.station_script([&c](connection& conn) {
        if (conn.index() > 3)
            return c.serve(conn);
        sleep_for(delays[conn.index() - 1]);
        if (conn.index() == 3)
            c.fault();
        conn.reset();
    });
    c.start_program();
    if (c.await_fault(3 * (attempt_timeout + pause)))
        c.expect_recovery(after_drop);
}

void reset_mid_answer(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        c.forbid(-7001);
        const std::string answer = frame(poison(-7001));
        conn.send(answer.substr(0, answer.size() / 2));
        sleep_for(0.05);
        c.fault();
        conn.reset();
    }));
    c.start_program();
    if (c.await_fault(20))
        c.expect_recovery(after_drop);
}

void close_mid(case_run& c, bool in_header) {
    c.station_script(first_connection(c, [&c, in_header](connection& conn, double) {
        c.forbid(-7002);
        const std::string answer = frame(poison(-7002));
        // Mid-record: inside the value of the third record.
        conn.send(answer.substr(0, in_header ? 3 : 5 + 2 * (6 + 8) + 13));
        sleep_for(0.05);
        c.fault();
        conn.close();
    }));
    c.start_program();
    if (c.await_fault(20))
        c.expect_recovery(after_drop);
}

void one_byte_pieces(case_run& c) {
    constexpr int answers = 4;
    c.station_script([&c](connection& conn) {
        if (conn.index() != 1)
            return c.serve(conn);
        for (int i = 0; i < answers; ++i) {
            if (!conn.await_request(elapsed() + 15))
                return;
            const int serial = c.next_serial();
            conn.send_pieces(frame(good_records(serial)), 1, 0.002);
            if (i == 0)
                c.fault();
        }
        c.serve(conn);
    });
    c.start_program();
    if (const auto at = c.await_fault(20)) {
        c.expect_content([](const file_sample& s) { return serial_of(s) == answers; }, "the last 1-byte answer", *at,
                         answers * (next_request + 1) + slack);
        for (const auto& s : c.program().samples())
            c.check(serial_of(s) > 0,
                    "a content that no answer held was written: depth " + std::to_string(s.values[0]));
        c.check(c.the_station().connections() == 1, "the program reconnected: answers in pieces are no fault");
    }
}

void drip(case_run& c, bool over_limit) {
    const double spread = over_limit ? 20 : 6.5; // the time limit cannot expire before 9 s after the request
    // Static: the station's script may outlive this function (one case runs per process).
    static std::atomic<double> dripped_at{-1};
    static std::atomic<int> dripped_serial{0};
    c.station_script(first_connection(c, [&, spread, over_limit](connection& conn, double requested) {
        const int serial = c.next_serial();
        dripped_serial = serial;
        if (over_limit) {
            c.forbid(serial);
            c.fault();
        }
        const std::string answer = frame(good_records(serial));
        const std::size_t piece = 4;
        const double gap = spread / static_cast<double>(answer.size() / piece);
        if (over_limit) {
            // The drip reads between its pieces, so the program's close is seen when it happens.
            conn.send_pieces(answer, piece, gap);
            expect_closed_at_time_limit(c, conn, requested);
            return;
        }
        if (conn.send_pieces(answer, piece, gap))
            dripped_at = elapsed();
        c.serve(conn);
    }));
    c.start_program();
    if (over_limit) {
        if (c.await_fault(20))
            c.expect_recovery(after_stall);
        sleep_for(2);
        return;
    }
    const double deadline = elapsed() + 30;
    while (dripped_at < 0 && elapsed() < deadline)
        sleep_for(0.01);
    if (dripped_at < 0) {
        c.check(false, "the drip under the time limit was cut off: the program closed the connection");
        return;
    }
    const int serial = dripped_serial;
    c.expect_content([serial](const file_sample& s) { return serial_of(s) == serial; },
                     "the answer dripped over " + seconds(spread), dripped_at, slack);
    sleep_for(3);
    c.check(c.the_station().connections() == 1,
            "the program reconnected after an answer that completed within its time limit");
}

void late_remainder(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double requested) {
        const int stale = c.next_serial();
        c.forbid(stale);
        c.fault();
        const std::string answer = frame(good_records(stale));
        conn.send(answer.substr(0, answer.size() / 2));
        // After the time limit has expired (at most 10 ticks) and before the pause would end (4 more ticks).
        conn.await_peer_close(requested + answer_timeout + 1.5);
        if (conn.send(answer.substr(answer.size() / 2)) && conn.peer_closed_at() < 0)
            c.note("the late remainder went into a connection the program still held open");
        expect_closed_at_time_limit(c, conn, requested);
    }));
    c.start_program();
    if (c.await_fault(20))
        c.expect_recovery(after_stall);
    sleep_for(2);
}

void garbage(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        std::mt19937 random(9);
        std::string junk(300, '\0');
        for (char& b : junk)
            b = static_cast<char>(random());
        // A positive length well below the buffer's limit: the program must wait for it, then give up.
        junk[1] = 0x40, junk[2] = 0x1F, junk[3] = 0, junk[4] = 0;
        c.fault();
        conn.send(junk);
        c.serve(conn);
    }));
    c.start_program();
    if (c.await_fault(20))
        c.expect_recovery(after_stall);
}

void negative_length(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        c.fault();
        conn.send(with_length(frame(good_records(c.next_serial())), std::numeric_limits<std::int32_t>::min()));
        c.serve(conn);
    }));
    c.start_program();
    if (c.await_fault(20))
        c.expect_recovery(after_answer);
}

void huge_length(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        c.forbid(-7003);
        c.fault();
        conn.send(with_length(frame(poison(-7003)), std::numeric_limits<std::int32_t>::max()));
        conn.await_peer_close(elapsed() + 40);
    }));
    c.start_program();
    if (c.await_fault(20))
        c.expect_recovery(after_drop);
}

void over_16_mib(case_run& c) {
    static std::atomic<double> sent_at{-1}; // static: the station's script may outlive this function
    c.station_script(first_connection(c, [&](connection& conn, double) {
        constexpr std::int32_t limit = 16 * 1024 * 1024;
        const std::string name = "\xF8\xF3\xEC"; // "шум"
        std::string payload;
        const std::string one = frame({{name, 1.0}}).substr(5);
        while (payload.size() < static_cast<std::size_t>(limit) + (1 << 20))
            payload += one;
        c.fault();
        std::string header = with_length(frame({}), limit - 5);
        if (conn.send(header) && conn.send(payload))
            sent_at = elapsed();
        c.serve(conn);
    }));
    c.start_program();
    if (!c.await_fault(20))
        return;
    const double deadline = elapsed() + 60;
    while (sent_at < 0 && elapsed() < deadline)
        sleep_for(0.01);
    c.check(sent_at >= 0, "the program did not take the 17 MiB the station sent");
    if (sent_at >= 0)
        c.expect_recovery(after_stall, sent_at.load());
}

void unsolicited_bytes(case_run& c) {
    c.station_script(first_connection(
        c,
        [&c](connection& conn, double) {
            c.fault();
            // A header that announces 100 bytes and four of them, before the program has asked anything.
            conn.send(std::string("\x09\x64\x00\x00\x00junk", 9));
            c.serve(conn);
        },
        false));
    c.start_program();
    if (c.await_fault(10))
        c.expect_recovery(first_request + slack);
    c.check(c.the_station().connections() == 1, "the program reconnected after bytes nobody asked for");
}

// An answer whose records end in something cut short; the records before it must be stored exactly.
void cut_short_end(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        const int first = c.next_serial();
        c.fault();
        std::string answer = frame(good_records(first));
        answer += "depth"; // a name without its terminator
        conn.send(with_length(answer, static_cast<std::int32_t>(answer.size() - 5)));
        if (!conn.await_request(elapsed() + 15))
            return;
        answer = frame(good_records(c.next_serial()));
        answer += std::string("doloto_depth\0\x01\x02\x03", 16); // a value of three bytes
        conn.send(with_length(answer, static_cast<std::int32_t>(answer.size() - 5)));
        c.serve(conn);
    }));
    c.start_program();
    if (const auto at = c.await_fault(20)) {
        c.expect_content([](const file_sample& s) { return serial_of(s) == 2; },
                         "the answer ending in a name without terminator", *at, slack);
        c.expect_content([](const file_sample& s) { return serial_of(s) == 3; },
                         "the answer ending in a value of three bytes", *at, next_request + 2 * slack);
    }
}

void capitals(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        c.fault();
        conn.send(frame(good_records(c.next_serial()), true));
        c.serve(conn);
    }));
    c.start_program();
    if (const auto at = c.await_fault(20))
        c.expect_content([](const file_sample& s) { return serial_of(s) == 2; },
                         "the answer with Latin and Cyrillic capitals", *at, slack);
}

void duplicate_names(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        c.forbid(-7004);
        c.forbid(-7005);
        records all = poison(-7004);
        for (auto& r : all)
            r.name = lib::to_upper_1251(r.name);
        const records again = poison(-7005);
        all.insert(all.end(), again.begin(), again.end());
        const records last = good_records(c.next_serial());
        all.insert(all.end(), last.begin(), last.end());
        c.fault();
        conn.send(frame(all));
        c.serve(conn);
    }));
    c.start_program();
    if (const auto at = c.await_fault(20))
        c.expect_content([](const file_sample& s) { return serial_of(s) == 2; }, "the last of three records per name",
                         *at, slack);
}

void nan_infinity_range(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        const double inf = std::numeric_limits<double>::infinity();
        const double values[6] = {std::nan(""), inf, -inf, 1e300, -1e300, 1e-300};
        records r;
        for (int i = 0; i < 6; ++i)
            r.push_back({field_name(i), values[i]});
        c.fault();
        conn.send(frame(r));
        c.serve(conn);
    }));
    c.start_program();
    if (const auto at = c.await_fault(20)) {
        const float inf = std::numeric_limits<float>::infinity();
        const std::vector<float> expected = {std::nanf(""), inf, -inf, inf, -inf, 0.0f};
        c.expect_content([&](const file_sample& s) { return same_values(s, expected); },
                         "NaN, infinities, beyond-float doubles as NaN, inf, -inf, inf, -inf, 0", *at, slack);
        c.expect_recovery(after_answer);
    }
}

void many_records(case_run& c) {
    c.station_script(first_connection(c, [&c](connection& conn, double) {
        records r;
        for (int i = 0; r.size() < 65536 - 7; ++i)
            r.push_back({"p" + std::to_string(i), static_cast<double>(i)});
        const records last = good_records(c.next_serial());
        r.insert(r.end(), last.begin(), last.end());
        c.note(std::to_string(r.size()) + " records");
        c.fault();
        conn.send(frame(r));
        c.serve(conn);
    }));
    c.start_program();
    if (const auto at = c.await_fault(20))
        c.expect_content([](const file_sample& s) { return serial_of(s) == 2; },
                         "the six values at the end of 65,536 records", *at, slack);
}

void never_reads(case_run& c) {
    c.station_script(first_connection(
        c,
        [&c](connection& conn, double accepted) {
            c.fault();
            // The request time is not seen (nothing is read): it follows the connection within its bound.
            expect_closed_at_time_limit(c, conn, accepted + first_request / 2, false);
        },
        false));
    c.start_program();
    if (c.await_fault(10))
        c.expect_recovery(first_request + after_stall);
}

void station_restart(case_run& c) {
    c.station_script([&c](connection& conn) { c.serve(conn); });
    c.start_program();
    if (!c.program().wait_for([](const file_sample& s) { return serial_of(s) > 0; }, 0, elapsed() + 15)) {
        c.check(false, "no values before the restart");
        return;
    }
    sleep_for(1);
    c.the_station().stop_listening();
    const double down = elapsed();
    sleep_for(6); // the program's next attempt meets no listener
    c.the_station().listen();
    const double up = elapsed();
    c.fault();
    c.note("station down for " + seconds(up - down));
    c.expect_recovery(after_drop, up);
}

void unresolvable_host(case_run& c) {
    dns_stub dns(dns_stub::mode::no_such_name);
    c.station_script([&c](connection& conn) { c.serve(conn); });
    c.start_program();
    sleep_for(6);
    c.check(dns.queries() > 0, "the program never asked the name server");
    c.note(std::to_string(dns.queries()) + " name server queries answered \"no such name\"");
    c.check(c.the_station().connections() == 0, "connected to a name that does not resolve");
    add_host(c.work_dir() + "/etc/hosts", "bvstation", "127.0.0.1");
    c.fault();
    c.expect_recovery(after_drop);
}

void hanging_lookup(case_run& c) {
    dns_stub dns(dns_stub::mode::silent);
    c.station_script([&c](connection& conn) { c.serve(conn); });
    c.start_program();
    const double started = c.program().started_at();
    while (dns.queries() == 0 && elapsed() < started + 10)
        sleep_for(0.01);
    if (dns.queries() == 0) {
        c.check(false, "the program never asked the name server");
        return;
    }
    sleep_until(started + 3);
    // The name now resolves from the hosts file; the look-up already under way never ends by itself.
    add_host(c.work_dir() + "/etc/hosts", "bvslow", "127.0.0.1");
    c.fault();
    c.check(resolves_at_once("bvslow"), "a new look-up of the name does not succeed at once (the case's set-up)");
    c.expect_recovery(startup + attempt_timeout + pause + first_request + slack, started);
}

constexpr const char* silent_peer = "10.77.0.2"; // routed to a link where nobody answers

void dropped_syns(case_run& c) {
    c.station_script([&c](connection& conn) { c.serve(conn); });
    c.start_program();
    double first_at = -1, second_at = -1;
    std::uint64_t first = 0;
    const double deadline = elapsed() + startup + 3;
    while (first_at < 0 && elapsed() < deadline) {
        if (const auto a = pending_attempts(silent_peer, 8001); !a.empty())
            first = a.front(), first_at = elapsed();
        sleep_for(0.01);
    }
    if (first_at < 0) {
        c.check(false, "no connection attempt towards the silent peer");
        return;
    }
    const double retry_bound = attempt_timeout + pause + slack;
    while (second_at < 0 && elapsed() < first_at + retry_bound + 10) {
        for (auto inode : pending_attempts(silent_peer, 8001))
            if (inode != first)
                second_at = elapsed();
        sleep_for(0.01);
    }
    if (second_at < 0)
        c.check(false, "no new attempt within " + seconds(retry_bound + 10) + " of an attempt whose SYNs are dropped");
    else
        c.note("new attempt " + seconds(second_at - first_at) + " after the first");
    c.check(second_at >= 0 && second_at - first_at <= retry_bound,
            "the attempt was not given up and retried within " + seconds(retry_bound));
    // The peer comes to life: from now on its address is local and the station answers there.
    c.check(std::system("ip addr add 10.77.0.2/32 dev lo") == 0, "cannot bring the silent peer to life");
    c.fault();
    c.expect_recovery(attempt_timeout + pause + first_request + slack);
}

// The name gives [::1] (SYNs dropped), 127.0.0.3 (refused), 127.0.0.2 (the station) and 127.0.0.4 (SYNs
// dropped), in the resolver's order of preference: ::1, .3, .2, .4. The dead ones before the station cost
// their share of the attempt, not all of it; after a drop the address that answered is tried first.
void name_with_dead_addresses(case_run& c) {
    const full_listener v6_dead("::1", 8001), v4_dead("127.0.0.4", 8001);
    for (const char* address : {"::1", "127.0.0.3", "127.0.0.4", "127.0.0.2"})
        add_host(c.work_dir() + "/etc/hosts", "bvmulti", address);
    c.station_script(
        [&c](connection& conn) {
            if (conn.index() == 1 && second_request(c, conn)) {
                c.fault();
                return conn.close();
            }
            c.serve(conn);
        },
        "127.0.0.2");
    c.start_program();
    const double started = c.program().started_at();
    const auto first = c.program().wait_for([](const file_sample& s) { return serial_of(s) > 0; }, started,
                                            started + attempt_timeout + pause + 15);
    const double first_bound = startup + 2 + first_request + slack; // the dead [::1]'s share: two ticks
    c.check(first && *first - started <= first_bound,
            first ? "first values " + seconds(*first - started) + " after start, bound " + seconds(first_bound)
                  : std::string("no values: the address that answers was never reached"));
    if (first)
        c.note("first values " + seconds(*first - started) + " after start");
    if (c.await_fault(20))
        c.expect_recovery(after_drop);
    sleep_for(0.5);
    std::ifstream log(c.program().log_path());
    const std::string text{std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
    const std::string v6_timeout = "Адрес [::1]:8001: нет ответа";
    const auto v6 = text.find(v6_timeout);
    c.check(v6 != std::string::npos, "the log does not say [::1] timed out");
    c.check(text.find("[::1]", v6 + v6_timeout.size()) == std::string::npos,
            "[::1] was tried again after 127.0.0.2 had answered: the answering address is not tried first");
    c.check(text.find("Адрес 127.0.0.3:8001: в подключении отказано") != std::string::npos,
            "the log does not say 127.0.0.3 refused");
}

void exit_during_lookup(case_run& c) {
    dns_stub dns(dns_stub::mode::silent);
    c.station_script([&c](connection& conn) { c.serve(conn); });
    c.start_program();
    while (dns.queries() == 0 && elapsed() < c.program().started_at() + 10)
        sleep_for(0.01);
    c.check(dns.queries() > 0, "the program never asked the name server");
    sleep_for(1);
}

void exit_during_attempt(case_run& c) {
    c.station_script([&c](connection& conn) { c.serve(conn); });
    c.start_program();
    bool seen = false;
    while (!seen && elapsed() < c.program().started_at() + 10) {
        seen = !pending_attempts(silent_peer, 8001).empty();
        sleep_for(0.01);
    }
    c.check(seen, "no connection attempt towards the silent peer");
    sleep_for(1);
}

struct case_entry {
    std::string remote_name; // empty: the program's default, localhost
    std::function<void(case_run&)> run;
    double exit_bound = rules::exit;
};

const std::map<std::string, case_entry>& table() {
    static const std::map<std::string, case_entry> cases = {
        {"reset-after-accept", {"", reset_after_accept}},
        {"reset-mid-answer", {"", reset_mid_answer}},
        {"close-mid-header", {"", [](case_run& c) { close_mid(c, true); }}},
        {"close-mid-record", {"", [](case_run& c) { close_mid(c, false); }}},
        {"one-byte-pieces", {"", one_byte_pieces}},
        {"drip-under-time-limit", {"", [](case_run& c) { drip(c, false); }}},
        {"drip-over-time-limit", {"", [](case_run& c) { drip(c, true); }}},
        {"late-remainder", {"", late_remainder}},
        {"garbage", {"", garbage}},
        {"negative-length", {"", negative_length}},
        {"huge-length", {"", huge_length}},
        {"over-16-mib-sent", {"", over_16_mib}},
        {"unsolicited-bytes", {"", unsolicited_bytes}},
        {"names-without-terminator", {"", cut_short_end}},
        {"capitals", {"", capitals}},
        {"duplicate-names", {"", duplicate_names}},
        {"nan-infinity-beyond-float", {"", nan_infinity_range}},
        {"65536-records", {"", many_records}},
        {"accepts-never-reads", {"", never_reads}},
        {"station-restart", {"", station_restart}},
        {"host-does-not-resolve", {"bvstation", unresolvable_host}},
        {"look-up-hangs", {"bvslow", hanging_lookup}},
        {"dropped-syns", {silent_peer, dropped_syns}},
        {"name-with-dead-addresses", {"bvmulti", name_with_dead_addresses}},
        {"exit-during-hanging-look-up", {"bvslow", exit_during_lookup, 2}},
        {"exit-during-dropped-syns", {silent_peer, exit_during_attempt, 2}},
    };
    return cases;
}

} // namespace

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& [name, entry] : table())
        names.push_back(name);
    return names;
}

int run_case(const std::string& name, const case_setup& setup) {
    const auto it = table().find(name);
    if (it == table().end()) {
        std::cerr << "no case " << name << "\n";
        return 2;
    }
    case_run c(name, setup.program, setup.work_dir, it->second.remote_name);
    try {
        it->second.run(c);
    } catch (const std::exception& e) {
        c.check(false, std::string("the case could not run: ") + e.what());
    }
    return c.finish(it->second.exit_bound);
}

int run_exit_after_close(const case_setup& setup, int delay_ms, int rounds) {
    program_run run(setup.program, setup.work_dir, "");
    std::atomic<double> closed_at{-1};
    station st([&closed_at](connection& conn) {
        if (!conn.await_request(elapsed() + 15))
            return;
        conn.send(frame(good_records(1)));
        conn.close();
        closed_at = elapsed();
    });
    int failed = 0;
    double slowest = 0;
    std::ostringstream problems;
    for (int round = 1; round <= rounds; ++round) {
        run.clear_files();
        closed_at = -1;
        run.start();
        const double deadline = elapsed() + 15;
        while (closed_at < 0 && elapsed() < deadline && !run.died())
            sleep_for(0.001);
        if (closed_at < 0) {
            ++failed;
            problems << "\n    FAIL: round " << round << ": the program never got an answer";
            run.terminate(5);
            continue;
        }
        sleep_until(closed_at + delay_ms / 1000.0);
        const exit_report end = run.terminate(10);
        slowest = std::max(slowest, end.seconds);
        if (!end.exited || end.signal || end.code != 0 || !end.ini_saved) {
            if (++failed > 5)
                continue; // the first few tell the story; the count says the rest
            problems << "\n    FAIL: round " << round << ": "
                     << (end.signal   ? "signal " + std::to_string(end.signal)
                         : end.exited ? "exit code " + std::to_string(end.code)
                                      : std::string("no exit"))
                     << (end.ini_saved ? "" : ", no Borevane.ini saved") << " (exit took " << seconds(end.seconds)
                     << ")";
        }
    }
    std::cout << "CASE exit-" << delay_ms << "ms-after-close " << (failed ? "FAIL" : "PASS") << "  " << rounds - failed
              << "/" << rounds << " rounds exit 0 with Borevane.ini saved, slowest exit " << seconds(slowest)
              << problems.str() << std::endl;
    return failed ? 1 : 0;
}

} // namespace hostile
