// The binary reader and writer, with the reader's boundaries.
#include "library/binary_buffer.h"
#include "library/cp1251.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

void attach(lib::InputBinaryBuffer& r, const std::vector<char>& bytes) {
    r.attach(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

} // namespace

TEST(BinaryBuffer, ReaderStringsAndEnds) {
    lib::InputBinaryBuffer empty;
    EXPECT_TRUE(empty.at_end());
    empty.attach("", 0);
    EXPECT_TRUE(empty.at_end());

    lib::InputBinaryBuffer r;
    attach(r, {'a', 'b', '\0', 'c'});
    std::string s = "old";
    r.read_string(s);
    EXPECT_EQ(s, "ab");
    EXPECT_EQ(r.get_position(), 3);
    r.read_string(s);
    EXPECT_EQ(s, ""); // the last byte ends the text and is dropped
    EXPECT_TRUE(r.at_end());
    EXPECT_THROW(r.read_string(s), lib::buffer_error);
    EXPECT_THROW(r.read_char(), lib::buffer_error);

    std::int32_t v = 77;
    r.read_bytes(&v, 4); // at the end: destination untouched, no error
    EXPECT_EQ(v, 77);
}

TEST(BinaryBuffer, ReaderNeverReadsPastItsData) {
    lib::InputBinaryBuffer r;
    attach(r, {1, 0, 0, 0, 2, 0});
    std::int32_t v = 0;
    r.read(v);
    EXPECT_EQ(v, 1);
    EXPECT_FALSE(r.at_end());
    std::int32_t w = 99;
    EXPECT_THROW(r.read(w), lib::buffer_error); // only 2 bytes remain
    EXPECT_EQ(w, 99);
    EXPECT_EQ(r.get_position(), 4);
    std::int16_t h = 0;
    r.read(h); // exactly the remaining bytes
    EXPECT_EQ(h, 2);
    EXPECT_TRUE(r.at_end());
}

TEST(BinaryBuffer, WriterAndReaderAgree) {
    lib::OutputBinaryBuffer out;
    out.write(std::int32_t{-5});
    out.write(1500.25);
    out.write_string(lib::utf8_to_1251("тальблок"));
    out.write_string("");
    EXPECT_THROW(out.write_string(std::string("a\0b", 3)), lib::buffer_error);

    lib::InputBinaryBuffer r;
    attach(r, out.get_data());
    std::int32_t i = 0;
    double d = 0;
    std::string a, b;
    r.read(i);
    r.read(d);
    r.read_string(a);
    EXPECT_FALSE(r.at_end());
    r.read_string(b);
    EXPECT_EQ(i, -5);
    EXPECT_EQ(d, 1500.25);
    EXPECT_EQ(a, lib::utf8_to_1251("тальблок"));
    EXPECT_EQ(b, "");
    EXPECT_TRUE(r.at_end());
}

TEST(BinaryBuffer, Blocks) {
    lib::OutputBinaryBuffer out;
    out.begin_block(7);
    out.write(std::int16_t{0x0102});
    EXPECT_THROW(out.begin_block(8), lib::buffer_error);
    out.end_block();
    out.begin_block(9);
    out.write(char{42});
    out.end_block();
    EXPECT_THROW(out.end_block(), lib::buffer_error);
    ASSERT_EQ(out.get_data().size(), 19u);
    auto message_of = [](auto&& misuse) {
        try {
            misuse();
        } catch (const lib::buffer_error& e) {
            return lib::cp1251_to_utf8(e.what());
        }
        return std::string("nothing thrown");
    };
    EXPECT_EQ(message_of([&] { out.end_block(); }), "OutputBinaryBuffer::end_block вызыван без начала блока");
    lib::OutputBinaryBuffer twice;
    twice.begin_block(1);
    EXPECT_EQ(message_of([&] { twice.begin_block(2); }), "OutputBinaryBuffer::begin_block вызыван дважды");

    lib::InputBinaryBuffer r;
    attach(r, out.get_data());
    EXPECT_TRUE(r.begin_block(9));
    EXPECT_EQ(r.get_position(), 18);
    char c = 0;
    r.read(c);
    EXPECT_EQ(c, 42);
    EXPECT_TRUE(r.begin_block(7)); // found again, in any order
    EXPECT_EQ(r.get_position(), 8);
    EXPECT_FALSE(r.begin_block(8));
    EXPECT_TRUE(r.at_end());
}

TEST(BinaryBuffer, BlockSearchSurvivesBadHeaders) {
    // A negative size, a size beyond the data and a header cut short all end the search.
    std::vector<std::vector<char>> bad = {
        {1, 0, 0, 0, -8, -1, -1, -1},
        {1, 0, 0, 0, 100, 0, 0, 0, 9},
        {1, 0, 0, 0, 0, 0, 0, 0, 2, 0},
    };
    for (const auto& bytes : bad) {
        lib::InputBinaryBuffer r;
        attach(r, bytes);
        EXPECT_FALSE(r.begin_block(2));
        EXPECT_TRUE(r.at_end());
    }
}

TEST(BinaryBuffer, HugeBlockSizeStopsAtTheEnd) {
    // Content position 16 plus the largest size overflows 32 bits: the skip must stop at the
    // end of the data, never wrap the position to a negative index.
    std::vector<char> bytes = {1, 0, 0, 0, -1, -1, -1, 0x7F, 2, 0, 0, 0, 0, 0, 0, 0, 'x', 'y'};
    lib::InputBinaryBuffer r;
    attach(r, bytes);
    EXPECT_FALSE(r.begin_block(3));
    EXPECT_EQ(r.get_position(), 18);
    EXPECT_EQ(r.remaining(), 0);
    EXPECT_TRUE(r.begin_block(1)); // still found from the start
    EXPECT_EQ(r.get_position(), 8);
}

TEST(BinaryBuffer, AttachKeepsThePosition) {
    lib::InputBinaryBuffer r;
    attach(r, {'a', 'b', 'c', 'd'});
    EXPECT_EQ(r.read_char(), 'a');
    EXPECT_EQ(r.read_char(), 'b');
    attach(r, {'w', 'x', 'y', 'z', '\0'});
    EXPECT_EQ(r.get_position(), 2);
    EXPECT_EQ(r.read_char(), 'y');
    attach(r, {'1'}); // shorter than the position: at the end, position kept
    EXPECT_TRUE(r.at_end());
    EXPECT_EQ(r.get_position(), 3);
}

TEST(BinaryBuffer, SmallestCasesAtTheEdges) {
    lib::InputBinaryBuffer one;
    attach(one, {'z'});
    std::int32_t v = 5;
    one.read_bytes(&v, 0); // nothing to read is no error, and moves nothing
    EXPECT_EQ(one.get_position(), 0);
    EXPECT_EQ(one.read_char(), 'z');

    // Three blocks, the last one empty: each size field holds its own content's length, and an
    // empty block at the very end is still found.
    lib::OutputBinaryBuffer out;
    for (std::int32_t key : {1, 2, 3}) {
        out.begin_block(key);
        for (int i = 0; i < 3 - key; ++i)
            out.write(char{'a'});
        out.end_block();
    }
    const auto& bytes = out.get_data();
    ASSERT_EQ(bytes.size(), 27u);
    std::int32_t sizes[3] = {};
    std::memcpy(&sizes[0], bytes.data() + 4, 4);
    std::memcpy(&sizes[1], bytes.data() + 14, 4);
    std::memcpy(&sizes[2], bytes.data() + 23, 4);
    EXPECT_EQ(sizes[0], 2);
    EXPECT_EQ(sizes[1], 1);
    EXPECT_EQ(sizes[2], 0);
    lib::InputBinaryBuffer r;
    attach(r, bytes);
    EXPECT_TRUE(r.begin_block(3));
    EXPECT_EQ(r.get_position(), 27);
    EXPECT_TRUE(r.at_end());
}
