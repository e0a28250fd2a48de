#pragma once
// The station's wire format. The program sends one request, type 1 with no payload; the station answers
// with a frame: a type byte, a little-endian int32 payload length, then the payload, a run of records,
// each a CP1251 name ended by a zero byte and an 8-byte little-endian double. The decoder reads answers
// (answer_decoder.h); the station simulator, the benchmarks, the fuzz targets and the tests write them here.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr char station_request[5] = {1, 0, 0, 0, 0};
constexpr std::size_t frame_header_size = 5;
constexpr char answer_type = 2;

// One name/value pair of an answer; the name is CP1251 text.
struct answer_record {
    std::string name;
    double value;
};

// The records as payload bytes.
std::string encode_records(const std::vector<answer_record>& records);
// A frame around `payload`, whose length field says `length` (by default the payload's size).
std::string encode_frame(const std::string& payload, std::optional<std::int32_t> length = std::nullopt);
// A whole answer holding `records`.
std::string encode_answer(const std::vector<answer_record>& records);
