#include "tests/e2e/hostile/answers.h"

#include "acquisition/core/output_file.h"

#include <cmath>

namespace hostile {
namespace {
constexpr double depth_base = 1000;
constexpr float fixed_values[4] = {82.25f, 13.5f, 118.75f, 12.125f};
} // namespace

std::string field_name(int i) {
    return output_names[static_cast<std::size_t>(i)];
}

std::vector<answer_record> good_records(int serial) {
    const double depth = depth_base + serial;
    std::vector<answer_record> records = {{field_name(0), depth}, {field_name(1), depth - 0.5}};
    for (int i = 0; i < 4; ++i)
        records.push_back({field_name(i + 2), fixed_values[i]});
    records.push_back({"\xEE\xE1\xEE\xF0\xEE\xF2\xFB", 61.0}); // "обороты", not a file field
    return records;
}

int serial_of(const file_sample& s) {
    const float depth = s.values[0];
    if (!(depth > depth_base) || depth != std::floor(depth) || s.values[1] != depth - 0.5f)
        return -1;
    for (int i = 0; i < 4; ++i)
        if (s.values[static_cast<std::size_t>(i + 2)] != fixed_values[i])
            return -1;
    return static_cast<int>(depth - depth_base);
}

bool same_values(const file_sample& s, const std::vector<float>& expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const bool both_nan = std::isnan(s.values[i]) && std::isnan(expected[i]);
        if (!both_nan && (s.values[i] != expected[i] || std::signbit(s.values[i]) != std::signbit(expected[i])))
            return false;
    }
    return true;
}

std::string frame(const std::vector<answer_record>& records, bool capitals) {
    tools::answer_faults faults;
    faults.capitals = capitals;
    return tools::build_answer(records, faults);
}

std::string with_length(const std::string& f, std::int32_t length) {
    return encode_frame(f.substr(frame_header_size), length);
}

} // namespace hostile
