#pragma once
// One clock for everything a case does and sees: the station's actions, the program's start and exit and the
// writes of Borevane.bin are all stamped in seconds since the case began, so their distances are comparable.

#include <chrono>
#include <thread>

namespace hostile {

inline double elapsed() {
    using clock = std::chrono::steady_clock;
    static const clock::time_point origin = clock::now();
    return std::chrono::duration<double>(clock::now() - origin).count();
}

inline void sleep_for(double seconds) {
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

inline void sleep_until(double when) {
    sleep_for(when - elapsed());
}

} // namespace hostile
