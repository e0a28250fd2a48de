#include "acquisition/core/answer_decoder.h"

#include "library/binary_buffer.h"
#include "library/cp1251.h"

#include <cstdint>
#include <cstring>
#include <limits>

frame_state check_frame(const std::vector<char>& received) {
    if (received.size() > max_answer_bytes)
        return frame_state::oversized;
    if (received.size() < frame_header_size)
        return frame_state::incomplete;
    std::int32_t length = 0;
    std::memcpy(&length, received.data() + 1, sizeof length);
    if (length > 0 && static_cast<std::size_t>(length) > max_answer_bytes - frame_header_size)
        return frame_state::oversized;
    if (length > 0 && static_cast<std::size_t>(length) > received.size() - frame_header_size)
        return frame_state::incomplete;
    return frame_state::complete;
}

namespace {

// Narrowing as the hardware does it, without undefined behaviour: beyond the float range is infinity.
float to_float(double value) {
    if (value > std::numeric_limits<float>::max())
        return std::numeric_limits<float>::infinity();
    if (value < std::numeric_limits<float>::lowest())
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

} // namespace

void decode_answer(const char* payload, std::size_t size, ValueMap& values) {
    if (size > max_answer_bytes)
        return;
    lib::InputBinaryBuffer reader;
    reader.attach(payload, static_cast<std::int32_t>(size));
    try {
        while (!reader.at_end()) {
            std::string name;
            double value = 0;
            reader.read_string(name);
            // A name that ran into the end of the data has no value: the record is cut short.
            if (reader.at_end())
                break;
            reader.read(value);
            values[lib::to_lower_1251(std::move(name))] = to_float(value);
        }
    } catch (const lib::buffer_error&) {
        // A record cut short ends the answer; what came before stays.
    }
}
