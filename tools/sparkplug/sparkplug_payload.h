#pragma once
// The Sparkplug B payloads of the edge node, encoded by protobuf from the schema in sparkplug_b.proto. Device
// metrics carry aliases in births (1 to 8, in birth order) and only the alias in data messages, so that a data
// message stays small on a satellite link; the names are in every birth.

#include "tools/sparkplug/edge_reading.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sparkplug {

inline constexpr const char* bd_seq_name = "bdSeq";
inline constexpr const char* rebirth_name = "Node Control/Rebirth";

// The alias of device metric `index`.
constexpr std::uint64_t alias_of(std::size_t index) {
    return index + 1;
}

// NBIRTH: bdSeq and Node Control/Rebirth (false), seq 0.
std::string node_birth(std::int64_t bd_seq, std::int64_t now_ms);

// NDEATH, the will of a connection: bdSeq only, no seq.
std::string node_death(std::int64_t bd_seq, std::int64_t now_ms);

// DBIRTH: every enabled metric with name, alias, datatype and engUnit. The values of a reading that is not
// live are null: a birth never shows an old value as if it were current.
std::string device_birth(const metric_settings& settings, const reading& current, std::uint64_t seq,
                         std::int64_t now_ms);

// DDATA: for each reading the metrics its mask selects, flagged historical when the readings come from the
// backlog. Each metric carries its reading's time; a single live reading dates the payload instead, and its
// metrics, which carry no time of their own, take the payload's (`now_ms` is then unused).
using masked_reading = std::pair<reading, exception_filter::mask>;
std::string device_data(const metric_settings& settings, const std::vector<masked_reading>& readings, bool historical,
                        std::uint64_t seq, std::int64_t now_ms);

// NCMD from a host: Node Control/Rebirth = true, asking the node for new births.
std::string rebirth_command(std::int64_t now_ms);

// True when an NCMD payload asks for a rebirth (Node Control/Rebirth = true, by name or not at all otherwise).
bool asks_rebirth(const std::string& ncmd_payload);

} // namespace sparkplug
