// The shore host's rules, fed the payloads the edge node's own code builds, in the order an edge sends them.
#include "tests/support/fleet_edge.h"
#include "tools/fleet/fleet_host.h"
#include "tools/sparkplug/sparkplug_payload.h"
#include "tools/sparkplug/sparkplug_session.h"

#include "sparkplug_b.pb.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace fleet;
using namespace sparkplug;
using bv_test::at;
using bv_test::edge;

namespace {

constexpr std::int64_t t0 = 1700000000000;

} // namespace

TEST(FleetHost, StatesFollowTheReadingsSourceAndAge) {
    fleet_host host("Borevane");
    edge e{host, "rig001"};
    e.births(at(t0, 0, source::missing), t0);
    ASSERT_EQ(host.size(), 1u);
    EXPECT_EQ(e.shown().state, rig_state::no_data);
    EXPECT_FALSE(e.shown().values[0]);
    EXPECT_EQ(e.shown().units[0], "м");

    e.data(at(t0 + 1000, 100), t0 + 1100);
    EXPECT_EQ(e.shown().state, rig_state::live);
    EXPECT_EQ(e.shown().values[0], 100.0f);
    EXPECT_EQ(e.shown().values[1], 99.0f);
    EXPECT_EQ(e.shown().values_ms, t0 + 1000);
    // Only the depth changes: the other values carry over from before.
    e.data(at(t0 + 2000, 101), t0 + 2100);
    EXPECT_EQ(e.shown().values[0], 101.0f);
    EXPECT_EQ(e.shown().values[4], 120.0f);

    // The file went stale on the rig: the last values stay, not current; then live again.
    e.data(at(t0 + 3000, 0, source::stale), t0 + 3100);
    EXPECT_EQ(e.shown().state, rig_state::stale);
    EXPECT_EQ(e.shown().source, "stale");
    EXPECT_EQ(e.shown().values[0], 101.0f);
    EXPECT_EQ(e.shown().values_ms, t0 + 2000);
    EXPECT_FALSE(e.shown().current());
    e.data(at(t0 + 4000, 102), t0 + 4100);
    EXPECT_EQ(e.shown().state, rig_state::live);

    // Nothing for five seconds is still live; a millisecond more is not.
    const std::uint64_t before = host.revision();
    host.tick(t0 + 4100 + stale_after_ms);
    EXPECT_EQ(e.shown().state, rig_state::live);
    EXPECT_EQ(host.revision(), before); // nothing to repaint
    host.tick(t0 + 4101 + stale_after_ms);
    EXPECT_EQ(e.shown().state, rig_state::stale);
    EXPECT_GT(host.revision(), before);

    // The history: the live readings, and gaps where the rig had no live values.
    const auto& h = e.shown().history;
    ASSERT_EQ(h.size(), 5u);
    EXPECT_EQ(h[0].fresh, false);
    EXPECT_EQ(h[3].fresh, false);
    EXPECT_EQ(h[4].values[0], 102.0f);
    EXPECT_TRUE(h.joined(2, 0));
    EXPECT_FALSE(h.joined(1, 0));
    EXPECT_FALSE(h.joined(4, 0));
    EXPECT_EQ(std::string(state_name(rig_state::catching_up)), "Догоняет");
}

TEST(FleetHost, ASequenceGapOrAnUnbornAliasAsksOneRebirthAndAppliesNothingUntilIt) {
    fleet_host host("Borevane");
    edge e{host, "rig002"};
    e.births(at(t0, 10), t0);
    // 300 messages: seq runs through 255 back to 0 without complaint.
    for (int i = 1; i <= 300; ++i)
        e.data(at(t0 + i * 1000, 10 + i), t0 + i * 1000);
    EXPECT_EQ(e.shown().values[0], 310.0f);
    EXPECT_TRUE(host.take_outgoing().empty());

    e.seq.next(); // a message lost on the way
    e.data(at(t0 + 301000, 311), t0 + 301000);
    e.data(at(t0 + 302000, 312), t0 + 302000);
    EXPECT_EQ(e.shown().values[0], 310.0f);
    for (int i = 0; i < 256; ++i) // nor when seq comes round to follow again
        e.data(at(t0 + 302001 + i, 400), t0 + 302000);
    EXPECT_EQ(e.shown().values[0], 310.0f);
    auto asked = host.take_outgoing();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].topic, "spBv1.0/Borevane/NCMD/rig002");
    EXPECT_TRUE(asks_rebirth(asked[0].payload));
    // Still nothing born: asked again only after the retry time.
    e.data(at(t0 + 311000, 313), t0 + 301000 + rebirth_retry_ms - 1);
    EXPECT_TRUE(host.take_outgoing().empty());
    e.data(at(t0 + 312000, 314), t0 + 301000 + rebirth_retry_ms);
    EXPECT_EQ(host.take_outgoing().size(), 1u);
    EXPECT_EQ(host.totals().rebirths, 2u);

    // A node birth alone: the device is not known in the new session until its own birth comes.
    host.message(e.t.nbirth, node_birth(7, t0 + 312500), t0 + 312500);
    e.seq.birth();
    EXPECT_FALSE(e.shown().current());
    e.data(at(t0 + 312600, 314.5f), t0 + 312600);
    EXPECT_EQ(e.shown().values[0], 310.0f);
    EXPECT_EQ(host.take_outgoing().size(), 1u);
    e.births(at(t0 + 313000, 315), t0 + 313000);
    EXPECT_EQ(e.shown().values[0], 315.0f);
    e.data(at(t0 + 314000, 316), t0 + 314000);
    EXPECT_EQ(e.shown().values[0], 316.0f);

    // A metric the birth did not carry: Hook Load disabled when born, sent afterwards.
    e.settings[2].enabled = false;
    e.births(at(t0 + 315000, 317), t0 + 315000);
    e.settings[2].enabled = true;
    auto r = at(t0 + 316000, 318);
    r.values[2] = 77;
    e.data(r, t0 + 316000);
    EXPECT_EQ(e.shown().values[0], 317.0f); // the whole message refused
    EXPECT_EQ(host.take_outgoing().size(), 1u);

    // Data of a node never seen born (the host started late) ask for its births as well.
    edge late{host, "rig003"};
    late.seq.birth();
    late.data(at(t0, 1), t0);
    EXPECT_EQ(host.size(), 1u);
    asked = host.take_outgoing();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].topic, "spBv1.0/Borevane/NCMD/rig003");
}

TEST(FleetHost, OnlyTheDeathOfTheCurrentBirthOrTheBrokerLostMakesARigOffline) {
    fleet_host host("Borevane");
    edge a{host, "rig004"}, b{host, "rig005"};
    a.births(at(t0, 1), t0);               // bdSeq 0
    a.births(at(t0 + 1000, 2), t0 + 1000); // bdSeq 1: a new connection
    b.births(at(t0 + 1000, 3), t0 + 1000);
    a.death(0, t0 + 1500); // the first connection's will, late
    EXPECT_EQ(a.shown().state, rig_state::live);
    a.death(1, t0 + 1600);
    EXPECT_EQ(a.shown().state, rig_state::offline);
    EXPECT_EQ(a.shown().values[0], 2.0f); // the last values stay, not current
    EXPECT_FALSE(a.shown().current());
    EXPECT_EQ(b.shown().state, rig_state::live);
    // A message of another group, or outside Sparkplug, changes nothing.
    host.message("spBv1.0/Other/NDEATH/rig005", node_death(0, t0), t0 + 1700);
    host.message("borevane/receipt/Borevane/rig005", "12", t0 + 1700);
    EXPECT_EQ(b.shown().state, rig_state::live);
    host.tick(t0 + 1600 + stale_after_ms + 1); // offline stays offline, never merely stale
    EXPECT_EQ(a.shown().state, rig_state::offline);
    EXPECT_EQ(b.shown().state, rig_state::stale);

    host.broker_lost(t0 + 2000);
    EXPECT_EQ(b.shown().state, rig_state::offline);
    // Back on the broker, data without births are not trusted: the node is asked to be born again.
    b.data(at(t0 + 3000, 4), t0 + 3000);
    EXPECT_EQ(b.shown().state, rig_state::offline);
    EXPECT_EQ(host.take_outgoing().size(), 1u);
    b.births(at(t0 + 3500, 5), t0 + 3500);
    EXPECT_EQ(b.shown().state, rig_state::live);

    // A device's death: that rig alone, in sequence like any device message.
    Payload ddeath;
    ddeath.set_timestamp(t0 + 4000);
    ddeath.set_seq(b.seq.next());
    host.message(b.t.ddeath, ddeath.SerializeAsString(), t0 + 4000);
    EXPECT_EQ(b.shown().state, rig_state::offline);
    EXPECT_TRUE(host.take_outgoing().empty());
}

TEST(FleetHost, BacklogFillsTheHistoryOnceWithoutTouchingTheCurrentValues) {
    fleet_host host("Borevane");
    edge e{host, "rig006"};
    e.births(at(t0, 0), t0);
    for (int i = 1; i <= 10; ++i)
        e.data(at(t0 + i * 1000, float(i)), t0 + i * 1000);
    e.death(0, t0 + 10500);
    // Back after 20 s: births with the newest reading, live data, then the backlog, which repeats readings 8 to
    // 10 (their receipt was lost) and holds a stale one at 15 s.
    e.births(at(t0 + 30000, 30), t0 + 30000);
    e.data(at(t0 + 31000, 31), t0 + 31000);
    std::vector<reading> backlog;
    for (int i = 8; i < 30; ++i)
        backlog.push_back(at(t0 + i * 1000, float(i), i == 15 ? source::stale : source::live));
    e.historical({backlog.begin(), backlog.begin() + 12}, t0 + 31200);
    e.historical({backlog.begin() + 12, backlog.end()}, t0 + 31400);
    const rig& r = e.shown();
    EXPECT_EQ(r.state, rig_state::catching_up);
    EXPECT_TRUE(r.current());
    EXPECT_EQ(r.values[0], 31.0f); // never a historical value
    EXPECT_EQ(r.values_ms, t0 + 31000);
    EXPECT_EQ(host.totals().duplicates, 3u);
    EXPECT_EQ(host.totals().historical, 19u);

    // 0 .. 31 once each, in order; joined everywhere but around the stale reading.
    ASSERT_EQ(r.history.size(), 32u);
    for (std::size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(r.history[i].time, double(t0 + std::int64_t(i) * 1000) / 1000) << i;
        EXPECT_EQ(r.history[i].fresh, i != 15) << i;
        if (i != 15) {
            EXPECT_EQ(r.history[i].values[0], float(i)) << i;
        }
        EXPECT_EQ(r.history.joined(i, 0), i > 0 && i != 15 && i != 16) << i;
    }
    // The value after the stale reading came in full again (report by exception resumes): 16 is drawn.
    EXPECT_EQ(r.history[16].values[4], 120.0f);

    host.tick(t0 + 31400 + catching_up_ms);
    EXPECT_EQ(r.state, rig_state::catching_up);
    host.tick(t0 + 31401 + catching_up_ms); // the backlog stopped
    EXPECT_EQ(r.state, rig_state::live);
    e.data(at(t0 + 35000, 35), t0 + 35000);
    EXPECT_EQ(r.values[0], 35.0f);
    // The same live reading delivered twice counts once.
    e.live.reset(at(t0 + 34000, 34));
    e.data(at(t0 + 35000, 35), t0 + 35100);
    EXPECT_EQ(host.totals().duplicates, 4u);
}
