#pragma once
// The controller as tests set it up: a data directory of the test's own, so that tests running side by side
// never share a Borevane.ini or Borevane.bin.
#include "acquisition/Bvsystem.h"
#include "tests/support/environment.h"

namespace bv_test {

inline BVSystemConfig own_config(quint16 port, int tick_ms, std::unique_ptr<QTcpSocket> link = {}) {
    return {port, tick_ms, test_dir("data"), std::move(link)};
}

} // namespace bv_test
