#pragma once
// The answers a case sends and how it recognises them in Borevane.bin. Every well-formed answer carries a
// serial number in its hole depth (1000 + serial) and fixed, exactly representable values elsewhere, so a
// content of the file tells which answer it came from, and that all six fields came from that one answer.

#include "tests/e2e/hostile/program_run.h"
#include "tools/simulator/station_answer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

// The six file fields of answer `serial`, plus one name the file does not take.
std::vector<answer_record> good_records(int serial);
// The serial of the answer that produced this content, or -1 when it matches no well-formed answer.
int serial_of(const file_sample& sample);
bool same_values(const file_sample& sample, const std::vector<float>& expected); // NaN equals NaN here

// A frame holding `records`; and a frame whose length field says `length` instead.
std::string frame(const std::vector<answer_record>& records, bool capitals = false);
std::string with_length(const std::string& frame, std::int32_t length);
// The CP1251 name of file field `i` (0 to 5).
std::string field_name(int i);

} // namespace hostile
