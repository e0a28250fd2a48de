#pragma once
// Plausible values of one rig drilling ahead, second by second, in the order of Borevane.bin: the hole deepens
// at the rate of penetration while the bit is on bottom and the block travels down with it; every 9 m a
// connection lifts the bit off bottom, stops the pumps and raises the block again. Each rig has its own depth,
// pace and noise from its seed.

#include <array>
#include <random>

namespace fleet_sim {

class drilling_values {
public:
    explicit drilling_values(unsigned seed);

    // The values `seconds` later: hole depth, bit depth, hook load, block position, inlet pressure, rate of
    // penetration (м, м, т, м, атм, м/ч).
    std::array<float, 6> next(double seconds);

    static constexpr double block_top = 28, block_bottom = 19; // a single joint drilled per connection
    static constexpr double connection_seconds = 120;

private:
    std::mt19937 random_;
    std::normal_distribution<double> noise_{0, 1};
    double hole_, block_, pace_, clock_ = 0;
    double connection_left_ = 0; // seconds; 0 while drilling
};

} // namespace fleet_sim
