#pragma once
// Borevane.bin: the latest values of six drilling parameters for the downhole telemetry
// system, 24 bytes, six little-endian 32-bit floats in the order of output_names.

#include "acquisition/core/value_map.h"
#include "library/lock_object.h"

#include <array>
#include <string>

// Lower-case CP1251 parameter names, in file order.
extern const std::array<const char*, 6> output_names;

constexpr const char* output_file_name = "Borevane.bin"; // also the name of the lock readers take

// The file's bytes for one answer; a name missing from the map gives 0.0.
std::array<unsigned char, 24> encode_output(const ValueMap& values);

// Replaces the file as a whole while holding file_lock. Failures are silent: the previous
// file stays as it was and the next answer tries again.
void write_output_file(const ValueMap& values, const std::string& bin_path, lib::lock_object& file_lock);
