#include "tools/fleet_simulator/drilling_values.h"

#include <algorithm>
#include <cmath>

namespace fleet_sim {

drilling_values::drilling_values(unsigned seed) : random_(seed) {
    std::uniform_real_distribution<double> depth(600, 3200), pace(12, 30), block(block_bottom, block_top);
    hole_ = depth(random_);
    pace_ = pace(random_);
    block_ = block(random_);
}

std::array<float, 6> drilling_values::next(double seconds) {
    clock_ += seconds;
    const double string_weight = 12 + hole_ * 0.028; // travelling equipment and the drill string, t
    double bit, hook, pressure, rop;
    if (connection_left_ > 0) {
        // Off bottom, pumps off, the block going back up for the next joint.
        connection_left_ = std::max(0.0, connection_left_ - seconds);
        const double done = 1 - connection_left_ / connection_seconds;
        block_ = block_bottom + (block_top - block_bottom) * done;
        bit = hole_ - 1.5;
        hook = (done < 0.8 ? 12 : string_weight) + noise_(random_) * 0.3;
        pressure = 2 + std::abs(noise_(random_)) * 0.5;
        rop = 0;
    } else {
        rop = std::max(2.0, pace_ * (1 + 0.3 * std::sin(clock_ / 400)) + noise_(random_) * 1.5);
        const double drilled = rop * seconds / 3600;
        hole_ += drilled;
        block_ -= drilled;
        bit = hole_;
        hook = string_weight - (8 + noise_(random_) * 1.2); // weight on bit taken off the hook
        pressure = 110 + hole_ * 0.03 + noise_(random_) * 2;
        if (block_ <= block_bottom)
            connection_left_ = connection_seconds;
    }
    return {float(hole_), float(bit), float(hook), float(block_), float(pressure), float(rop)};
}

} // namespace fleet_sim
