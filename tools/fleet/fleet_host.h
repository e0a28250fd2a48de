#pragma once
// What a Sparkplug host application on shore knows of one group: every edge node's birth and sequence, and one
// rig per node and device with its state, its last values with units, the newest reading's time and source, and
// its last hour. Fed each MQTT message as it arrives; it says which nodes must be asked for new births. Nothing
// here shows a value as current that is not: a reading whose source is not live, a historical one, or one older
// than five seconds never is.

#include "tools/monitor/ValueHistory.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fleet {

enum class rig_state : std::uint8_t {
    live,        // fresh data
    stale,       // the edge says its source is not live, or no reading for more than stale_after_ms
    offline,     // its node's or device's death, or the broker gone
    catching_up, // historical readings arriving
    no_data,     // born, no values yet
};

// "В работе", "Данные устарели", "Нет связи", "Догоняет", "Нет данных" (UTF-8).
const char* state_name(rig_state s);

inline constexpr std::int64_t stale_after_ms = 5000;
// A rig is catching up until this long after its last historical reading.
inline constexpr std::int64_t catching_up_ms = 3000;
// A node asked for a rebirth is asked again only after this long without one.
inline constexpr std::int64_t rebirth_retry_ms = 10000;
// One hour of one reading a second per rig: 3600 samples of 28 bytes, about 98 KiB.
inline constexpr std::size_t history_capacity = 3600;
inline constexpr double history_window_seconds = 3600;
inline constexpr double history_join_seconds = 3;

inline constexpr std::size_t value_count = 6;

struct rig {
    std::string node, device;
    rig_state state = rig_state::no_data;
    // The values of the newest live reading, in the edge's file order; nothing where none came. Current only
    // while `state` is live or catching up.
    std::array<std::optional<float>, value_count> values{};
    std::array<std::string, value_count> units{}; // engUnit from the device birth, UTF-8
    std::optional<std::int64_t> reading_ms;       // the newest live or not-live reading's time (the edge's clock)
    std::optional<std::int64_t> values_ms;        // the time of the reading `values` come from
    std::string source;                           // the edge's Source of the newest reading ("live", "stale", ...)
    std::optional<float> reading_age_s;           // the file's age the edge reported with it
    std::int64_t received_ms = 0;                 // host time the newest current reading arrived
    std::uint64_t revision = 0;                   // one more at every change of what a view shows
    tools::value_history history{history_capacity, history_window_seconds, history_join_seconds};

    bool current() const { return state == rig_state::live || state == rig_state::catching_up; }
};

// A command the host must publish (QoS 0, not retained).
struct outgoing {
    std::string topic, payload;
};

class fleet_host {
public:
    explicit fleet_host(std::string group);
    ~fleet_host();

    const std::string& group() const { return group_; }

    // One MQTT message received at `now_ms` (the host's wall clock). Messages outside the group's Sparkplug
    // topics are ignored.
    void message(const std::string& topic, const std::string& payload, std::int64_t now_ms);
    // The connection to the broker ended: every rig is offline, and every node must be born again before its
    // data count.
    void broker_lost(std::int64_t now_ms);
    // Ages the rigs: fresh ones with no reading for more than stale_after_ms go stale, catching-up ones whose
    // backlog stopped return to their live state.
    void tick(std::int64_t now_ms);

    // The rigs in the order they were first born; a rig is never removed (a dead one stays, offline).
    std::size_t size() const { return rigs_.size(); }
    const rig& at(std::size_t i) const { return *rigs_[i]; }
    const rig* find(const std::string& node, const std::string& device) const;
    // One more at every change of any rig, or a rig added.
    std::uint64_t revision() const { return revision_; }

    // The commands to publish (node rebirth requests), taken once.
    std::vector<outgoing> take_outgoing();

    struct counts {
        std::uint64_t messages = 0, readings = 0, duplicates = 0, historical = 0, rejected = 0, rebirths = 0;
    };
    const counts& totals() const { return counts_; }

private:
    struct node_state;
    struct device_state;
    void changed(rig& r);

    std::string group_;
    std::vector<std::unique_ptr<rig>> rigs_;
    std::map<std::string, std::unique_ptr<node_state>> nodes_;
    std::vector<outgoing> outgoing_;
    std::uint64_t revision_ = 0;
    counts counts_;
};

} // namespace fleet
