#pragma once
// Test-side reading of an answer frame, independent of the program's decoder, so the simulator's
// bytes are checked against the wire format itself.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

struct parsed_record {
    std::string name;
    double value;
};

struct parsed_answer {
    char type = 0;
    std::int32_t length = 0;
    std::vector<parsed_record> records;
    std::size_t trailing = 0; // bytes after the last whole record
};

inline std::int32_t frame_length(const std::string& frame) {
    std::uint32_t bits = 0;
    for (int i = 4; i >= 1; --i)
        bits = (bits << 8) | static_cast<unsigned char>(frame[i]);
    return static_cast<std::int32_t>(bits);
}

// Records end where the data ends; a record without its zero byte or a whole value is trailing.
inline std::optional<parsed_answer> parse_answer(const std::string& frame) {
    if (frame.size() < 5)
        return std::nullopt;
    parsed_answer a;
    a.type = frame[0];
    a.length = frame_length(frame);
    std::size_t pos = 5;
    while (pos < frame.size()) {
        const auto zero = frame.find('\0', pos);
        if (zero == std::string::npos || frame.size() - zero - 1 < 8)
            break;
        parsed_record r;
        r.name = frame.substr(pos, zero - pos);
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i)
            bits = (bits << 8) | static_cast<unsigned char>(frame[zero + 1 + i]);
        std::memcpy(&r.value, &bits, sizeof r.value);
        a.records.push_back(r);
        pos = zero + 9;
    }
    a.trailing = frame.size() - pos;
    return a;
}
