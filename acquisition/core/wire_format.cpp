#include "acquisition/core/wire_format.h"

#include <cstring>

namespace {

void append_le(std::string& out, std::uint64_t bits, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

} // namespace

std::string encode_records(const std::vector<answer_record>& records) {
    std::string payload;
    for (const auto& r : records) {
        payload += r.name;
        payload += '\0';
        std::uint64_t bits;
        std::memcpy(&bits, &r.value, sizeof bits);
        append_le(payload, bits, 8);
    }
    return payload;
}

std::string encode_frame(const std::string& payload, std::optional<std::int32_t> length) {
    std::string frame(1, answer_type);
    append_le(frame, static_cast<std::uint32_t>(length.value_or(static_cast<std::int32_t>(payload.size()))), 4);
    return frame + payload;
}

std::string encode_answer(const std::vector<answer_record>& records) {
    return encode_frame(encode_records(records));
}
