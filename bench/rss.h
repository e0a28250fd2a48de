// The resident memory of this process, for the benchmarks that report what their data costs (Linux).
#pragma once

#include <fstream>
#include <unistd.h>

namespace bench {

inline long rss_kib() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace bench
