// What the fleet view shows, as text, for whole-program tests and benchmarks that cannot read the screen: a
// header line, then one line per table row with its cells exactly as drawn, tab-separated, then one line per
// open rig detail listing the stretches of its hole-depth strip left empty between its first and last drawn
// columns (each as the times, in ms, the empty columns cover).
//
//   time_ms=… broker=connected rows=51 newest_on_screen_ms=…
//   row	1	edge1/depth	В работе	1523,40 м	…	0 с
//   detail	edge1/depth	columns=712	empty=1700000000000-1700000005000,…
#pragma once

#include <QString>
#include <cstdint>

class TFleetWindow;

QString fleet_dump_text(const TFleetWindow& window, std::int64_t now_ms);
