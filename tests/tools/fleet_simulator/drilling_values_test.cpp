// The simulated rig's values over three hours of seconds: what a drilling engineer would find implausible.
#include "tools/fleet_simulator/drilling_values.h"

#include <gtest/gtest.h>

using fleet_sim::drilling_values;

TEST(DrillingValues, DrillAheadWithConnectionsAndNeverTheImpossible) {
    for (unsigned seed : {1u, 2u, 77u}) {
        drilling_values rig(seed);
        auto last = rig.next(1);
        const float start = last[0];
        int connections = 0, unchanged = 0;
        bool off_bottom = false;
        for (int t = 0; t < 3 * 3600; ++t) {
            const auto v = rig.next(1);
            ASSERT_GE(v[0], last[0]) << seed << " " << t; // the hole never gets shallower
            ASSERT_LE(v[1], v[0]);                        // nor the bit below its bottom
            ASSERT_GE(v[3], drilling_values::block_bottom - 0.5);
            ASSERT_LE(v[3], drilling_values::block_top);
            ASSERT_GT(v[2], 0);
            ASSERT_GE(v[4], 0);
            const bool drilling = v[1] == v[0];
            ASSERT_EQ(v[5] > 0, drilling) << t; // penetration only on bottom
            if (drilling) {
                ASSERT_GT(v[4], 50); // pumps on
                ASSERT_LT(v[3], last[3] + 1e-3f);
            }
            connections += !drilling && !off_bottom;
            off_bottom = !drilling;
            unchanged += v[2] == last[2] && v[4] == last[4];
            last = v;
        }
        EXPECT_GT(last[0] - start, 20) << seed; // 12 to 30 m/h less connections
        EXPECT_LT(last[0] - start, 130) << seed;
        EXPECT_GE(connections, 2) << seed;
        EXPECT_EQ(unchanged, 0) << seed; // something to report every second
    }
}
