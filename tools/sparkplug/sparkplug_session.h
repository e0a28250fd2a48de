#pragma once
// The sequence rules of one edge node: the birth/death sequence number (bdSeq) that ties a death certificate to
// the birth of the same connection and goes on across restarts, the message sequence number (seq) that lets a
// host see a lost message, the topics, and the pause before a new connection attempt.

#include <cstdint>
#include <optional>
#include <string>

namespace sparkplug {

class session_sequence {
public:
    // `last_bd_seq`: the bdSeq of the latest connection attempt ever made (kept by the caller across restarts).
    explicit session_sequence(std::optional<std::int64_t> last_bd_seq) : last_bd_seq_(last_bd_seq) {}

    // The bdSeq for a new connection: one more than the previous attempt's, 0 after 255 and at the very first.
    // The caller keeps it before connecting, so a crash cannot reuse it.
    std::int64_t next_connection();
    // The bdSeq of the current connection (its will and births).
    std::int64_t bd_seq() const { return last_bd_seq_.value_or(0); }

    // The seq of a node birth: 0, and the messages after it count from there.
    std::uint64_t birth();
    // The seq of any later message of the node or its device: one more than the previous, 0 after 255.
    std::uint64_t next();

private:
    std::optional<std::int64_t> last_bd_seq_;
    std::uint64_t seq_ = 0;
};

// The pause before connection attempt number `failures` + 1 after `failures` failed ones in a row (0: the first
// retry): doubling from 1 s up to 10 s, spread by `jitter` in [0, 1) over the upper half, so that many nodes
// cut off by one outage do not all return in the same second. Never under 1 s, never over 10 s.
int reconnect_delay_ms(int failures, double jitter);

// Group, node and device ids are topic levels: no separators, wildcards or empty ones.
bool valid_topic_id(const std::string& text);

struct topics {
    topics(const std::string& group, const std::string& node, const std::string& device);
    std::string nbirth, ndeath, ncmd, dbirth, ddata, ddeath;
    // The node's own topic outside the Sparkplug namespace whose QoS 1 acknowledgement proves that the broker
    // took everything the node sent before it on the same connection.
    std::string receipt;
    // The primary host application's state topic (empty host: none).
    static std::string state(const std::string& host) { return "spBv1.0/STATE/" + host; }
};

// What a primary host's retained STATE message says: online true or false; nothing for anything else.
std::optional<bool> host_online(const std::string& json);

} // namespace sparkplug
