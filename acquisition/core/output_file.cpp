#include "acquisition/core/output_file.h"

#include "os/atomic_file.h"

#include <cstdint>
#include <cstring>

const std::array<const char*, 6> output_names = {
    "depth",
    "doloto_depth",
    "\xE2\xE5\xF1_\xED\xE0_\xEA\xF0\xFE\xEA\xE5",                     // вес_на_крюке
    "\xF2\xE0\xEB\xFC\xE1\xEB\xEE\xEA",                               // тальблок
    "\xE4\xE0\xE2\xEB\xE5\xED\xE8\xE5_\xED\xE0_\xE2\xF5\xEE\xE4\xE5", // давление_на_входе
    "\xF1\xEA\xEE\xF0\xEE\xF1\xF2\xFC_\xEC\xE5\xF5\xE0\xED\xE8\xF7\xE5\xF1\xEA\xE0\xFF", // скорость_механическая
};

static_assert(sizeof(float) == 4, "the file holds 32-bit floats");

std::array<unsigned char, 24> encode_output(const ValueMap& values) {
    std::array<unsigned char, 24> bytes{};
    for (std::size_t i = 0; i < output_names.size(); ++i) {
        const auto it = values.find(output_names[i]);
        const float value = it == values.end() ? 0.0f : it->second;
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (std::size_t b = 0; b < 4; ++b)
            bytes[i * 4 + b] = static_cast<unsigned char>(bits >> (8 * b));
    }
    return bytes;
}

void write_output_file(const ValueMap& values, const std::string& bin_path, lib::lock_object& file_lock) {
    const auto bytes = encode_output(values);
    lib::Locker hold(&file_lock);
    // Replacing the file whole means a writer that dies midway leaves the old values, never a
    // short file. A failure keeps the old file; the next answer tries again.
    os::replace_file_atomically(bin_path, bytes.data(), bytes.size());
}
