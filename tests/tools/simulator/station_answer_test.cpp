#include "tools/simulator/station_answer.h"

#include "acquisition/core/output_file.h"
#include "library/cp1251.h"
#include "tests/tools/simulator/answer_parse.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tools;

namespace {

double value_of(const std::vector<answer_record>& records, const std::string& name) {
    for (const auto& r : records)
        if (r.name == name)
            return r.value;
    ADD_FAILURE() << "no record " << lib::cp1251_to_utf8(name);
    return 0;
}

enum slot { depth, bit_depth, hook_load, block, pressure, rop };
double output_value(double t, slot s) {
    return value_of(station_values(t), output_names[s]);
}

} // namespace

TEST(StationValues, PlausibleOverADayWithDepthGrowingAtTheRateOfPenetration) {
    double last_depth = 0, lowest_block = 100, highest_block = 0;
    for (double t = 0; t < 86400; t += 7) {
        const double d = output_value(t, depth);
        EXPECT_GE(d, last_depth) << t;
        last_depth = d;
        EXPECT_NEAR((output_value(t + 1, depth) - d) * 3600, output_value(t + 0.5, rop), 0.01) << t;
        EXPECT_LE(output_value(t, bit_depth), d) << t;
        EXPECT_GE(output_value(t, bit_depth), d - 0.5) << t;
        lowest_block = std::min(lowest_block, output_value(t, block));
        highest_block = std::max(highest_block, output_value(t, block));
        EXPECT_GT(output_value(t, rop), 0) << t;
        EXPECT_GT(output_value(t, hook_load), 50) << t;
        EXPECT_GT(output_value(t, pressure), 100) << t;
    }
    EXPECT_NEAR(last_depth - 1500, 12 * 24, 10); // about twelve metres an hour
    // The block runs through a whole stand and no further.
    EXPECT_GE(lowest_block, 3 - 1e-9);
    EXPECT_LT(lowest_block, 3.5);
    EXPECT_LE(highest_block, 27 + 1e-9);
    EXPECT_GT(highest_block, 26.5);
}

TEST(BuildAnswer, FramesTheRecordsWithTheirLength) {
    const std::vector<answer_record> records = {{"depth", 1500.0}, {output_names[2], -2.5}, {"x", 1e300}};
    const std::string frame = build_answer(records, {});
    const auto a = parse_answer(frame);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->type, answer_type);
    EXPECT_EQ(a->length, static_cast<std::int32_t>(frame.size() - 5));
    EXPECT_EQ(a->trailing, 0u);
    ASSERT_EQ(a->records.size(), 3u);
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(a->records[i].name, records[i].name);
        EXPECT_EQ(a->records[i].value, records[i].value);
    }
    // 1500.0 as a little-endian double right after "depth\0".
    EXPECT_EQ(frame.substr(5, 14), std::string("depth\0\0\0\0\0\0\x70\x97\x40", 14));
}

TEST(BuildAnswer, MalformedEndsWithACutShortDepthRecord) {
    answer_faults faults;
    faults.malformed = true;
    const auto records = station_values(60);
    const std::string frame = build_answer(records, faults);
    const auto a = parse_answer(frame);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->length, static_cast<std::int32_t>(frame.size() - 5)); // the frame itself is complete
    ASSERT_EQ(a->records.size(), records.size());
    EXPECT_EQ(a->trailing, std::string("depth").size() + 1 + 3);
    EXPECT_EQ(frame.substr(frame.size() - 9), std::string("depth\0\0\0\0", 9));
}

TEST(SplitAnswer, PiecesAreNonEmptyAndRejoinToTheFrame) {
    const std::string frame = build_answer(station_values(0), {});
    struct {
        int pieces;
        std::size_t expected;
    } cases[] = {{0, 1}, {1, 1}, {3, 3}, {7, 7}, {100000, frame.size()}};
    for (const auto& c : cases) {
        const auto parts = split_answer(frame, c.pieces);
        EXPECT_EQ(parts.size(), c.expected) << c.pieces;
        std::string joined;
        for (const auto& p : parts) {
            EXPECT_FALSE(p.empty()) << c.pieces;
            EXPECT_LE(p.size(), frame.size() / parts.size() + 1) << c.pieces;
            joined += p;
        }
        EXPECT_EQ(joined, frame) << c.pieces;
    }
}

TEST(RequestScanner, FindsRequestsAndSkipsEverythingElse) {
    const std::string req(station_request, 5);
    struct {
        const char* what;
        std::string bytes;
        int requests;
        std::size_t junk;
    } cases[] = {
        {"one request", req, 1, 0},
        {"three back to back", req + req + req, 3, 0},
        {"junk before", "hello" + req, 1, 5},
        {"a doubled start byte", "\x01" + req, 1, 1},
        {"a request cut by a restart", std::string("\x01\0\0\0", 4) + req, 1, 4},
        {"a length other than zero", std::string("\x01\x02\0\0\0", 5) + req, 1, 5},
        {"other type", std::string("\x02\0\0\0\0", 5), 0, 5},
        {"an incomplete request waits", std::string("\x01\0\0", 3), 0, 0},
    };
    for (const auto& c : cases) {
        request_scanner whole, bytewise;
        const auto r = whole.feed(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(r.requests, c.requests) << c.what;
        EXPECT_EQ(r.junk, c.junk) << c.what;
        // The same bytes one at a time give the same result.
        request_scanner::result sum;
        for (char ch : c.bytes) {
            const auto one = bytewise.feed(&ch, 1);
            sum.requests += one.requests;
            sum.junk += one.junk;
        }
        EXPECT_EQ(sum.requests, c.requests) << c.what;
        EXPECT_EQ(sum.junk, c.junk) << c.what;
    }
}
