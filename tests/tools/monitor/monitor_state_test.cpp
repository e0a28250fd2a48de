// The values monitor's Qt-free parts: what it may show after which reads, and its ten-minute history.
#include "tools/monitor/MonitorState.h"
#include "tools/monitor/ValueHistory.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace tools;
using status = monitor_state::status;

namespace {

snapshot_result snapshot(float depth, double age) {
    output_snapshot s;
    std::memcpy(s.bytes.data(), &depth, sizeof depth); // little-endian, as the file
    s.age_seconds = age;
    return {s, read_problem::none, {}, 0};
}

snapshot_result failure(read_problem kind, std::uintmax_t size = 0) {
    return {std::nullopt, kind, "why", size};
}

std::array<float, 6> values(float v) {
    return {v, v, v, v, v, v};
}

} // namespace

TEST(MonitorState, ShowsOnlyWhatWasReadAndSaysWhyItIsNotCurrent) {
    monitor_state m;
    m.read(failure(read_problem::missing), 0);
    EXPECT_EQ(m.current(), status::missing);
    EXPECT_FALSE(m.values());
    EXPECT_FALSE(m.since_change(0));

    m.read(snapshot(5.0f, 5.0), 1); // the very limit is still fresh
    EXPECT_TRUE(m.fresh());
    EXPECT_EQ((*m.values())[0], 5.0f);
    EXPECT_EQ(m.file_age(), 5.0);
    m.read(snapshot(5.0f, 5.01), 2);
    EXPECT_EQ(m.current(), status::stale);
    m.read(snapshot(5.0f, -5.01), 3); // dated ahead of this clock
    EXPECT_EQ(m.current(), status::stale);
    m.read(snapshot(5.0f, -1), 4);
    EXPECT_TRUE(m.fresh());

    // Each failure keeps the last values, no longer current.
    m.read(failure(read_problem::wrong_size, 23), 5);
    EXPECT_EQ(m.current(), status::wrong_size);
    EXPECT_EQ(m.wrong_size(), 23u);
    EXPECT_EQ(m.error(), "why");
    m.read(failure(read_problem::unreadable), 6);
    EXPECT_EQ(m.current(), status::unreadable);
    m.read(failure(read_problem::locked), 7);
    EXPECT_EQ(m.current(), status::lock_timeout);
    m.read(failure(read_problem::no_install_location), 8);
    EXPECT_EQ(m.current(), status::no_location);
    EXPECT_EQ((*m.values())[0], 5.0f);
    m.read(snapshot(6.0f, 0.2), 9);
    EXPECT_TRUE(m.fresh());
    EXPECT_EQ((*m.values())[0], 6.0f);
}

TEST(MonitorState, TimeSinceAChangeAndReadsPerMinute) {
    monitor_state m;
    m.read(snapshot(1.0f, 0), 10);
    m.read(snapshot(1.0f, 0), 15);
    m.read(failure(read_problem::missing), 16);
    EXPECT_EQ(m.since_change(17)->seconds, 7); // unchanged since the first read
    EXPECT_FALSE(m.since_change(17)->seen);
    m.read(snapshot(2.0f, 0), 18);
    EXPECT_EQ(m.since_change(21)->seconds, 3);
    EXPECT_TRUE(m.since_change(21)->seen);

    monitor_state r;
    for (int t = 0; t < 70; ++t)
        t % 10 == 5 ? r.read(failure(read_problem::locked), t) : r.read(snapshot(1.0f, t % 10 == 7 ? 6 : 0), t);
    EXPECT_EQ(r.reads_per_minute(69), 48); // reads at 10 .. 69, failures and stale reads not counted
    EXPECT_EQ(r.reads_per_minute(128.5), 1);
    EXPECT_EQ(r.reads_per_minute(129), 0);
}

TEST(ValueHistory, KeepsTenMinutesInFixedRoomAndTheRangeOfFreshFiniteValues) {
    value_history h;
    for (int t = 0; t < 700; ++t)
        t == 650 ? h.add_gap(t) : h.add(t, values(float(t)));
    EXPECT_EQ(h.size(), h.capacity());
    EXPECT_EQ(h[0].time, 100);
    EXPECT_EQ(h[599].time, 699);
    EXPECT_EQ(h.range(0, 699), std::make_pair(100.0, 699.0));
    EXPECT_EQ(h.range(0, 750), std::make_pair(150.0, 699.0)); // the window ends at `now`
    EXPECT_FALSE(h.range(0, 1300));

    value_history g;
    g.add(0, values(5));
    g.add(1, values(NAN));
    g.add(2, values(-INFINITY));
    g.add_gap(3);
    g.add(4, values(7));
    EXPECT_EQ(g.range(3, 4), std::make_pair(5.0, 7.0));
    EXPECT_FALSE(g.joined(0, 0));
    EXPECT_FALSE(g.joined(1, 0)); // not a number is not drawn, so not joined either
    EXPECT_FALSE(g.joined(4, 0)); // across the gap
    g.add(7, values(8));
    EXPECT_TRUE(g.joined(5, 0)); // 3 s apart
    g.add(10.5, values(8));
    EXPECT_FALSE(g.joined(6, 0)); // the reads stopped for longer
}

TEST(ValueHistory, TraceColumnsJoinNeighboursAndLeaveGapsEmpty) {
    value_history h;
    // 60 px for 600 s: 10 s a column. One read a second, a stale minute from 300 s.
    for (int t = 0; t <= 600; ++t)
        t >= 300 && t < 360 ? h.add_gap(t) : h.add(t, values(t < 300 ? 0.0f : 10.0f));
    const auto columns = trace_columns(h, 0, 600, 60, 11, 0, 10);
    ASSERT_EQ(columns.size(), 60u);
    EXPECT_EQ(columns[0].top, 10); // 0 on the bottom row
    EXPECT_EQ(columns[29].bottom, 10);
    for (int x = 30; x < 36; ++x)
        EXPECT_TRUE(columns[static_cast<std::size_t>(x)].empty()) << x;
    EXPECT_EQ(columns[36].top, 0);    // 10 on the top row
    EXPECT_EQ(columns[59].bottom, 0); // the newest sample, at `now`, in the last column
    value_history lone;
    lone.add(600, values(10));
    EXPECT_EQ(trace_columns(lone, 0, 600, 60, 11, 0, 10)[59].top, 0); // also with no neighbour

    // Wider than the samples: a line from 0 to 10 in one second crosses 12 columns, each covering its rows.
    value_history step;
    step.add(599, values(0));
    step.add(600, values(10));
    const auto wide = trace_columns(step, 0, 600, 7200, 11, 0, 10);
    EXPECT_TRUE(wide[7187].empty());
    EXPECT_EQ(wide[7188].bottom, 10);
    EXPECT_EQ(wide[7199].top, 0);
    int covered = 0;
    for (std::size_t x = 7188; x < 7200; ++x)
        covered += wide[x].empty() ? 100 : wide[x].bottom - wide[x].top + 1;
    EXPECT_GE(covered, 11);
    EXPECT_LT(covered, 24);
    // Equal limits put the trace in the middle; values beyond them stay on the edge rows.
    EXPECT_EQ(trace_columns(step, 0, 600, 60, 10, 5, 5)[59].top, 5);
    EXPECT_EQ(trace_columns(step, 0, 600, 60, 11, 20, 30)[59].top, 10);
    EXPECT_EQ(trace_columns(step, 0, 600, 60, 11, -30, -20)[59].top, 0);
}

// A rig's hour on shore: readings arriving late take their place by time, once; the room stays fixed.
TEST(ValueHistory, PlacesLateReadingsByTimeWithinItsRoom) {
    value_history h(5, 100, 3);
    EXPECT_TRUE(h.add(10, values(10)));
    EXPECT_TRUE(h.add(20, values(20)));
    EXPECT_TRUE(h.add(12, values(12))); // late, between
    EXPECT_TRUE(h.add(11, values(11)));
    EXPECT_TRUE(h.contains(11) && !h.contains(13));
    EXPECT_TRUE(h.joined(2, 0));  // 11 - 12
    EXPECT_FALSE(h.joined(3, 0)); // 12 - 20 stay apart
    EXPECT_TRUE(h.add(13, values(13)));
    // Full: a late one pushes the oldest out; one older than everything has no room.
    EXPECT_TRUE(h.add(14, values(14)));
    EXPECT_FALSE(h.add(10.5, values(0)));
    ASSERT_EQ(h.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(h[i].values[0], i < 4 ? 11 + float(i) : 20.0f) << i;
    EXPECT_EQ(h[4].time, 20);
    EXPECT_FALSE(h.add(-81, values(0))); // before the window ending at the newest
    EXPECT_TRUE(h.add_gap(30));
    EXPECT_FALSE(h[4].fresh);
    EXPECT_EQ(h[0].values[0], 12.0f);

    // Reads within one millisecond: each kept, in the order they came.
    value_history same(4, 100, 3);
    same.add(5, values(1));
    same.add_gap(5);
    same.add(5, values(2));
    ASSERT_EQ(same.size(), 3u);
    EXPECT_FALSE(same[1].fresh);
    EXPECT_EQ(same[2].values[0], 2.0f);
    EXPECT_THROW(same[3], std::out_of_range);

    // Times to the millisecond, over a year: the kept ones keep their time; one far older goes.
    value_history far(3, 3600, 3);
    const double start = 1.7e9, year = 365 * 86400.0;
    for (double t : {start + 0.001, start + 1, start + 2, start + 3})
        far.add(t, values(1));
    EXPECT_TRUE(far.add(start + year, values(2)));
    EXPECT_TRUE(far.add(start + year - 1.5, values(3)));
    ASSERT_EQ(far.size(), 2u);
    EXPECT_EQ(far[0].time, start + year - 1.5);
    EXPECT_TRUE(far.contains(start + year));
    EXPECT_TRUE(far.joined(1, 0));
    far.add(start + year - 1, values(4));
    far.add(start + year + 1, values(5));
    EXPECT_EQ(far[2].values[0], 5.0f);
    EXPECT_EQ(far[0].values[0], 4.0f);
    // Ten and twenty days on: the samples within reach of the newest keep their time and kind.
    value_history days(10, 3600, 3);
    days.add(start, values(1));
    days.add(start + 10 * 86400.0, values(2));
    days.add_gap(start + 10 * 86400.0 + 1);
    days.add(start + 20 * 86400.0, values(3));
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0].time, start + 10 * 86400.0);
    EXPECT_TRUE(days[0].fresh);
    EXPECT_FALSE(days[1].fresh);
    EXPECT_TRUE(days[2].fresh);
    value_history full(3, 3600, 3); // the same with no room left
    for (double t : {start, start + 10 * 86400.0, start + 10 * 86400.0 + 1})
        full.add(t, values(float(t - start)));
    full.add(start + 20 * 86400.0, values(1));
    ASSERT_EQ(full.size(), 3u);
    EXPECT_EQ(full[0].values[0], 10 * 86400.0f);
    EXPECT_EQ(full[1].time, start + 10 * 86400.0 + 1);
    EXPECT_EQ(full[2].values[0], 1.0f);
    value_history one(10, 100, 3);
    one.add(1000, values(1));
    EXPECT_FALSE(one.add(899, values(0))); // older than the window before the only sample
    EXPECT_LE(value_history(3600, 3600, 3).full_bytes(), 100u * 1024);
}
