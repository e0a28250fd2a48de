#pragma once
// What the simulated station says: slowly changing drilling values and the bytes of one answer
// frame with the faults it can be told to commit, plus the scanner that finds requests in a client's bytes. Kept apart
// from the sockets so that tests can check them directly.

#include "acquisition/core/wire_format.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tools {

// The station's values `seconds` after it started, in its own units (metres, tonnes,
// atmospheres, metres per hour): the six names of the output file first, then a few others.
std::vector<answer_record> station_values(double seconds);

// Faults the simulator can be told to commit in every answer.
struct answer_faults {
    bool capitals = false;       // names in upper case
    bool malformed = false;      // a record cut short at the end of the payload
    bool never_complete = false; // a length field larger than the bytes that follow
};

// How much more than it sends a never-completed answer announces.
constexpr int never_complete_excess = 64;

// One answer frame as it goes on the wire, with the faults committed.
std::string build_answer(const std::vector<answer_record>& records, const answer_faults& faults);

// The frame cut into `pieces` non-empty parts of near-equal size (fewer when it is shorter).
std::vector<std::string> split_answer(const std::string& frame, int pieces);

// Finds the five request bytes in a client's stream; anything else is skipped byte by byte
// until the stream lines up with a request again. Holds at most four bytes between calls.
class request_scanner {
public:
    struct result {
        int requests = 0;
        std::size_t junk = 0; // bytes skipped
    };
    result feed(const char* data, std::size_t size);

private:
    std::string pending_;
};

} // namespace tools
