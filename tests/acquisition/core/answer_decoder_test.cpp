// Decoding of station answers and the frame check, on hand-made byte strings.
#include "acquisition/core/answer_decoder.h"
#include "library/cp1251.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

// The payload of records whose names are given in UTF-8 (CP1251 on the wire).
std::vector<char> payload(std::vector<answer_record> records) {
    for (auto& r : records)
        r.name = lib::utf8_to_1251(r.name);
    const std::string bytes = encode_records(records);
    return {bytes.begin(), bytes.end()};
}

ValueMap decode(const std::vector<char>& bytes) {
    ValueMap m;
    decode_answer(bytes.data(), bytes.size(), m);
    return m;
}

std::string cp(const char* utf8) {
    return lib::utf8_to_1251(utf8);
}

std::vector<char> frame(std::int32_t length, std::size_t payload_bytes) {
    const std::string f = encode_frame(std::string(payload_bytes, 'x'), length);
    return {f.begin(), f.end()};
}

} // namespace

TEST(AnswerDecoder, Records) {
    EXPECT_TRUE(decode({}).empty());

    auto m = decode(payload({{"DEPTH", 1.0}, {"depth", 1500.0}, {"Вес_На_Крюке", 42.5}, {"other", 7}}));
    EXPECT_EQ(m.size(), 3u); // one key for both spellings of depth
    EXPECT_EQ(m["depth"], 1500.0f);
    EXPECT_EQ(m[cp("вес_на_крюке")], 42.5f);
    EXPECT_EQ(m["other"], 7.0f);

    const double largest = std::numeric_limits<float>::max();
    auto big = decode(payload({{"x", 1e300}, {"y", -1e300}, {"z", 0.1}, {"max", largest}, {"min", -largest}}));
    EXPECT_TRUE(std::isinf(big["x"]) && big["x"] > 0);
    EXPECT_TRUE(std::isinf(big["y"]) && big["y"] < 0);
    EXPECT_EQ(big["z"], 0.1f);
    EXPECT_EQ(big["max"], std::numeric_limits<float>::max()); // the float range's own ends still fit
    EXPECT_EQ(big["min"], std::numeric_limits<float>::lowest());

    // The largest payload the receive buffer can hold is decoded like any other.
    auto huge = payload({{"depth", 3.0}});
    huge.resize(max_answer_bytes, '\0'); // followed by records with empty names
    EXPECT_EQ(decode(huge)["depth"], 3.0f);
}

TEST(AnswerDecoder, CutShortRecordsKeepWhatCameBefore) {
    const auto whole = payload({{"depth", 10.0}, {"doloto_depth", 9.0}});
    const std::size_t second_start = 6 + 8;
    struct Case {
        std::size_t keep; // bytes of the payload kept
        std::size_t entries;
    } cases[] = {
        {whole.size() - 1, 1},      // value one byte short
        {second_start + 12, 1},     // name without its zero byte
        {second_start + 13, 1},     // name ended, no value
        {second_start + 13 + 4, 1}, // half a value
        {3, 0},                     // first name cut
        {whole.size(), 2},
    };
    for (const auto& c : cases) {
        std::vector<char> bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.keep));
        auto m = decode(bytes);
        EXPECT_EQ(m.size(), c.entries) << "kept " << c.keep;
        if (c.entries >= 1) {
            EXPECT_EQ(m["depth"], 10.0f);
        }
    }
}

TEST(AnswerDecoder, FrameCheck) {
    EXPECT_EQ(check_frame({}), frame_state::incomplete);
    EXPECT_EQ(check_frame({1, 0, 0, 0}), frame_state::incomplete);
    EXPECT_EQ(check_frame(frame(0, 0)), frame_state::complete);
    EXPECT_EQ(check_frame(frame(10, 9)), frame_state::incomplete);
    EXPECT_EQ(check_frame(frame(1, 0)), frame_state::incomplete);
    EXPECT_EQ(check_frame(frame(10, 10)), frame_state::complete);
    EXPECT_EQ(check_frame(frame(10, 30)), frame_state::complete); // extra bytes: complete too
    EXPECT_EQ(check_frame(frame(-1, 0)), frame_state::complete);
    EXPECT_EQ(check_frame(frame(static_cast<std::int32_t>(max_answer_bytes), 0)), frame_state::oversized);
    const auto largest = static_cast<std::int32_t>(max_answer_bytes - frame_header_size);
    EXPECT_EQ(check_frame(frame(largest, 0)), frame_state::incomplete); // the largest answer still fits
    EXPECT_EQ(check_frame(frame(largest + 1, 0)), frame_state::oversized);
    EXPECT_EQ(check_frame(frame(largest, max_answer_bytes - frame_header_size)), frame_state::complete);
    EXPECT_EQ(check_frame(frame(0, max_answer_bytes)), frame_state::oversized);
}

TEST(AnswerDecoder, JunkYieldsNoMoreRecordsThanItsBytesCanHold) {
    std::vector<char> junk(4096);
    std::uint32_t x = 12345;
    for (int round = 0; round < 200; ++round) {
        for (auto& c : junk) {
            x = x * 1664525u + 1013904223u;
            c = static_cast<char>(x >> 24);
        }
        ValueMap m;
        const std::size_t size = junk.size() - static_cast<std::size_t>(round);
        decode_answer(junk.data(), size, m);
        // A record is at least a name's zero byte and eight bytes of value.
        EXPECT_LE(m.size(), size / 9);
    }
}
