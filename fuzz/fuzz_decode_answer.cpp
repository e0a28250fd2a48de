// The receive path on arbitrary bytes: the frame check, then the decoder on the payload.
// Properties: the frame verdict follows from the header alone; the decoder stores exactly the
// whole records (an independent reading of the layout), never one cut short, and never reads
// outside the payload (ASan, on a heap copy of exactly the payload); a decoded map encoded again
// decodes to the same map through the wire format's encoder.
#include "acquisition/core/answer_decoder.h"
#include "fuzz/fuzz_check.h"
#include "library/cp1251.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

bool same_value(float a, float b) {
    return std::isnan(a) ? std::isnan(b) : a == b && std::signbit(a) == std::signbit(b);
}

bool same_map(const ValueMap& a, const ValueMap& b) {
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || !same_value(i->second, j->second))
            return false;
    return true;
}

// The records as the wire layout defines them: a name up to its zero byte, then 8 bytes.
ValueMap expected_records(const char* p, std::size_t size) {
    ValueMap m;
    std::size_t at = 0;
    while (at < size) {
        const void* zero = std::memchr(p + at, 0, size - at);
        if (!zero)
            break;
        std::size_t name_end = static_cast<std::size_t>(static_cast<const char*>(zero) - p);
        if (size - name_end - 1 < sizeof(double))
            break;
        double v = 0;
        std::memcpy(&v, p + name_end + 1, sizeof v);
        float f = v > 3.4028234663852886e38 ? INFINITY : v < -3.4028234663852886e38 ? -INFINITY : static_cast<float>(v);
        m[lib::to_lower_1251(std::string(p + at, name_end - at))] = f;
        at = name_end + 1 + sizeof(double);
    }
    return m;
}

void check_frame_verdict(const std::vector<char>& received) {
    const frame_state s = check_frame(received);
    if (received.size() > max_answer_bytes) {
        FUZZ_CHECK(s == frame_state::oversized);
        return;
    }
    if (received.size() < frame_header_size) {
        FUZZ_CHECK(s == frame_state::incomplete);
        return;
    }
    std::int32_t length = 0;
    std::memcpy(&length, received.data() + 1, sizeof length);
    const std::int64_t have = static_cast<std::int64_t>(received.size()) - 5;
    if (length > static_cast<std::int64_t>(max_answer_bytes) - 5)
        FUZZ_CHECK(s == frame_state::oversized);
    else if (length > have)
        FUZZ_CHECK(s == frame_state::incomplete);
    else
        FUZZ_CHECK(s == frame_state::complete);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<char> received(data, data + size);
    check_frame_verdict(received);
    if (size < frame_header_size)
        return 0;

    // The whole rest of the buffer is the payload, as the receive path takes it.
    const std::size_t payload_size = size - frame_header_size;
    auto payload = std::make_unique<char[]>(payload_size == 0 ? 1 : payload_size);
    std::memcpy(payload.get(), data + frame_header_size, payload_size);
    ValueMap values;
    decode_answer(payload_size == 0 ? nullptr : payload.get(), payload_size, values);
    FUZZ_CHECK(same_map(values, expected_records(payload.get(), payload_size)));

    std::string again;
    for (const auto& [name, value] : values)
        again += encode_records({{name, static_cast<double>(value)}});
    ValueMap round_trip;
    decode_answer(again.data(), again.size(), round_trip);
    FUZZ_CHECK(same_map(values, round_trip));
    return 0;
}
