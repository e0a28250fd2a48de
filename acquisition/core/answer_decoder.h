#pragma once
// Reading the station's answer (its layout: wire_format.h).

#include "acquisition/core/value_map.h"
#include "acquisition/core/wire_format.h"

#include <cstddef>
#include <vector>

// Upper bound of what is buffered for one answer; beyond it the exchange has failed.
constexpr std::size_t max_answer_bytes = 16u * 1024u * 1024u;

enum class frame_state { incomplete, complete, oversized };

// Whether the received bytes hold a whole answer: at least the header and as many payload
// bytes as its length announces (a negative length counts as complete at once).
frame_state check_frame(const std::vector<char>& received);

// Fills `values` from an answer payload; names are lower-cased, the last record of a name
// wins. Decoding stops silently at the first record cut short; records before it stay.
void decode_answer(const char* payload, std::size_t size, ValueMap& values);
