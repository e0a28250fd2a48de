// lib::InputBinaryBuffer driven by the input: attach, reads of bytes, values, characters and
// texts, and block searches, in any order. A plain model of the reader (data, position) runs
// beside it; after every step the two must agree, the position must stay inside [0, data], and
// no read may touch memory outside the data or outside the destination (ASan).
#include "fuzz/fuzz_check.h"
#include "library/binary_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

struct model {
    std::string data;
    std::int64_t position = 0;

    bool at_end() const { return position >= static_cast<std::int64_t>(data.size()); }
    std::int64_t remaining() const { return at_end() ? 0 : static_cast<std::int64_t>(data.size()) - position; }
    void advance(std::int64_t n) { position = std::min<std::int64_t>(position + n, data.size()); }

    // Where the block search ends: the content of the first block with the key, or the end.
    bool find_block(std::int32_t key) {
        position = 0;
        while (remaining() >= 8) {
            std::int32_t k = 0, size = 0;
            std::memcpy(&k, data.data() + position, 4);
            std::memcpy(&size, data.data() + position + 4, 4);
            position += 8;
            if (k == key)
                return true;
            if (size < 0)
                break;
            advance(size);
        }
        position = static_cast<std::int64_t>(data.size());
        return false;
    }
};

void check_agree(const lib::InputBinaryBuffer& r, const model& m) {
    FUZZ_CHECK(r.get_position() >= 0);
    FUZZ_CHECK(r.get_position() == m.position);
    FUZZ_CHECK(r.at_end() == m.at_end());
    FUZZ_CHECK(r.remaining() == m.remaining());
}

std::int32_t pick_count(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<std::int32_t>(-2, 24) : in.ConsumeIntegral<std::int32_t>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider in(bytes, size);
    lib::InputBinaryBuffer reader;
    model m;
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 6)) {
        case 0: { // attach: the data changes, the position stays
            m.data = in.ConsumeRandomLengthString(256);
            reader.attach(m.data.data(), static_cast<std::int32_t>(m.data.size()));
            break;
        }
        case 1: { // raw bytes into a destination no larger than what may legally be copied
            const std::int32_t count = pick_count(in);
            const bool was_at_end = m.at_end();
            const bool fits = count >= 0 && count <= m.remaining();
            std::vector<char> dest(static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, m.remaining() + 8)),
                                   'q');
            const std::vector<char> before = dest;
            bool threw = false;
            try {
                reader.read_bytes(dest.data(), count);
            } catch (const lib::buffer_error&) {
                threw = true;
            }
            if (was_at_end) {
                FUZZ_CHECK(!threw && dest == before);
            } else if (!fits) {
                FUZZ_CHECK(threw && dest == before);
            } else {
                FUZZ_CHECK(!threw);
                FUZZ_CHECK(std::equal(dest.begin(), dest.begin() + count, m.data.begin() + m.position));
                m.advance(count);
            }
            break;
        }
        case 2: { // a fixed-size value
            std::int64_t v = 0x5A5A5A5A5A5A5A5A;
            const std::int64_t old = v;
            bool threw = false;
            try {
                reader.read(v);
            } catch (const lib::buffer_error&) {
                threw = true;
            }
            if (m.at_end()) {
                FUZZ_CHECK(!threw && v == old);
            } else if (m.remaining() < 8) {
                FUZZ_CHECK(threw && v == old);
            } else {
                FUZZ_CHECK(!threw && std::memcmp(&v, m.data.data() + m.position, 8) == 0);
                m.advance(8);
            }
            break;
        }
        case 3: { // one character
            bool threw = false;
            char c = 0;
            try {
                c = reader.read_char();
            } catch (const lib::buffer_error&) {
                threw = true;
            }
            FUZZ_CHECK(threw == m.at_end());
            if (!threw) {
                FUZZ_CHECK(c == m.data[static_cast<std::size_t>(m.position)]);
                m.advance(1);
            }
            break;
        }
        case 4: { // a text: up to a zero byte, or up to the end with the last byte dropped
            std::string text = "old";
            bool threw = false;
            try {
                reader.read_string(text);
            } catch (const lib::buffer_error&) {
                threw = true;
            }
            FUZZ_CHECK(threw == m.at_end());
            if (!threw) {
                const auto start = static_cast<std::size_t>(m.position);
                const std::size_t zero = m.data.find('\0', start);
                const std::size_t stop = zero == std::string::npos ? m.data.size() - 1 : zero;
                FUZZ_CHECK(text == m.data.substr(start, stop - start));
                m.position = static_cast<std::int64_t>(stop) + 1;
            }
            break;
        }
        case 5: { // a block search, always from the start
            const std::int32_t key =
                in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 3) : in.ConsumeIntegral<std::int32_t>();
            const bool found = reader.begin_block(key);
            FUZZ_CHECK(found == m.find_block(key));
            reader.end_block();
            break;
        }
        case 6: { // a run of blocks written by the writer is found again, each at its content
            lib::OutputBinaryBuffer out;
            const int blocks = in.ConsumeIntegralInRange(1, 4);
            std::vector<std::int64_t> content_at;
            for (int b = 0; b < blocks; ++b) {
                out.begin_block(b);
                content_at.push_back(static_cast<std::int64_t>(out.get_data().size()));
                const std::string content = in.ConsumeRandomLengthString(32);
                out.write_bytes(content.data(), content.size());
                out.end_block();
            }
            m.data.assign(out.get_data().begin(), out.get_data().end());
            reader.attach(m.data.data(), static_cast<std::int32_t>(m.data.size()));
            for (int b = blocks - 1; b >= 0; --b) {
                FUZZ_CHECK(reader.begin_block(b) && m.find_block(b));
                FUZZ_CHECK(reader.get_position() == content_at[static_cast<std::size_t>(b)]);
            }
            break;
        }
        }
        check_agree(reader, m);
    }
    return 0;
}
