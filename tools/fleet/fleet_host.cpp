#include "tools/fleet/fleet_host.h"

#include "tools/sparkplug/edge_reading.h"
#include "tools/sparkplug/sparkplug_payload.h"
#include "tools/sparkplug/sparkplug_session.h"

#include "sparkplug_b.pb.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fleet {
namespace {

using sparkplug::Payload;
using Metric = Payload::Metric;

constexpr std::size_t unknown_metric = std::numeric_limits<std::size_t>::max();

// The index of a born metric among the edge's (values, then age and source); unknown_metric for any other.
std::size_t metric_index(const std::string& name) {
    for (std::size_t i = 0; i < sparkplug::metric_count; ++i)
        if (name == sparkplug::metric_names[i])
            return i;
    return unknown_metric;
}

std::optional<float> number_of(const Metric& m) {
    if (m.is_null())
        return std::nullopt;
    switch (m.value_case()) {
    case Metric::kFloatValue:
        return m.float_value();
    case Metric::kDoubleValue:
        return static_cast<float>(m.double_value());
    case Metric::kIntValue:
        return static_cast<float>(m.int_value());
    case Metric::kLongValue:
        return static_cast<float>(m.long_value());
    default:
        return std::nullopt;
    }
}

std::string unit_of(const Metric& m) {
    if (!m.has_properties())
        return {};
    const auto& props = m.properties();
    for (int i = 0; i < props.keys_size() && i < props.values_size(); ++i)
        if (props.keys(i) == "engUnit" && props.values(i).value_case() == Payload::PropertyValue::kStringValue)
            return props.values(i).string_value();
    return {};
}

struct topic_parts {
    std::string type, node, device;
};

// spBv1.0/<group>/<type>/<node>[/<device>] of this group; nothing for any other topic.
std::optional<topic_parts> parse_topic(const std::string& topic, const std::string& group) {
    const std::string prefix = "spBv1.0/" + group + "/";
    if (topic.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    topic_parts out;
    std::size_t at = prefix.size();
    std::string* parts[] = {&out.type, &out.node, &out.device};
    for (std::string* part : parts) {
        if (at > topic.size())
            break;
        const std::size_t slash = topic.find('/', at);
        *part = topic.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        at = slash == std::string::npos ? topic.size() + 1 : slash + 1;
    }
    if (at <= topic.size() || out.type.empty() || out.node.empty())
        return std::nullopt; // more levels than Sparkplug has
    return out;
}

} // namespace

const char* state_name(rig_state s) {
    switch (s) {
    case rig_state::live:
        return "В работе";
    case rig_state::stale:
        return "Данные устарели";
    case rig_state::offline:
        return "Нет связи";
    case rig_state::catching_up:
        return "Догоняет";
    case rig_state::no_data:
        return "Нет данных";
    }
    return "";
}

// What a stream of data messages has said so far: each message carries only what changed since the one before
// (report by exception), so a reading is this state after the message's metrics.
struct reported {
    std::array<std::optional<float>, value_count> values{};
    std::optional<float> age;
    std::string source;
    bool live() const { return source.empty() || source == "live"; }
};

struct fleet_host::device_state {
    rig* shown = nullptr;
    bool born = false;  // a device birth in this node session
    bool alive = false; // born and no device death since
    std::map<std::uint64_t, std::size_t> aliases;
    std::map<std::string, std::size_t> names;
    reported live, backlog;
    std::optional<std::int64_t> last_historical_ms; // host time
};

struct fleet_host::node_state {
    bool alive = false;   // a birth and no death since
    bool in_sync = false; // every message since the birth was applied in sequence
    std::int64_t bd_seq = -1;
    std::uint64_t seq = 0;
    std::optional<std::int64_t> rebirth_asked_ms;
    std::map<std::string, device_state> devices;
};

namespace {

// The state a rig shows at `now`.
rig_state state_of(const rig& r, const reported& live, bool connected, std::optional<std::int64_t> historical_ms,
                   std::int64_t now) {
    if (!connected)
        return rig_state::offline;
    if (!r.values_ms)
        return rig_state::no_data;
    if (!live.live() || now - r.received_ms > stale_after_ms)
        return rig_state::stale;
    if (historical_ms && now - *historical_ms <= catching_up_ms)
        return rig_state::catching_up;
    return rig_state::live;
}

std::array<float, value_count> drawable(const reported& r) {
    std::array<float, value_count> out;
    for (std::size_t i = 0; i < value_count; ++i)
        out[i] = r.values[i].value_or(std::numeric_limits<float>::quiet_NaN());
    return out;
}

} // namespace

fleet_host::fleet_host(std::string group) : group_(std::move(group)) {}
fleet_host::~fleet_host() = default;

const rig* fleet_host::find(const std::string& node, const std::string& device) const {
    for (const auto& r : rigs_)
        if (r->node == node && r->device == device)
            return r.get();
    return nullptr;
}

void fleet_host::changed(rig& r) {
    ++r.revision;
    ++revision_;
}

std::vector<outgoing> fleet_host::take_outgoing() {
    return std::exchange(outgoing_, {});
}

void fleet_host::message(const std::string& topic, const std::string& payload, std::int64_t now) {
    const auto parts = parse_topic(topic, group_);
    if (!parts)
        return;
    const std::string& type = parts->type;
    if (type == "NCMD" || type == "DCMD")
        return;
    ++counts_.messages;
    node_state& node = *nodes_.try_emplace(parts->node, std::make_unique<node_state>()).first->second;

    // Knowledge of the node is gone (a lost message, a birth never seen): its data are not applied, and the node
    // is asked for new births, once until a birth comes or the retry time passed.
    auto reject = [&] {
        ++counts_.rejected;
        node.in_sync = false;
        if (node.rebirth_asked_ms && now - *node.rebirth_asked_ms < rebirth_retry_ms)
            return;
        node.rebirth_asked_ms = now;
        ++counts_.rebirths;
        outgoing_.push_back({sparkplug::topics(group_, parts->node, "").ncmd, sparkplug::rebirth_command(now)});
    };
    auto show_state = [&](device_state& dev) {
        if (!dev.shown)
            return;
        const rig_state s = state_of(*dev.shown, dev.live, node.alive && dev.alive, dev.last_historical_ms, now);
        if (s != dev.shown->state) {
            dev.shown->state = s;
            changed(*dev.shown);
        }
    };

    Payload p;
    const bool parsed = p.ParseFromString(payload);

    if (type == "NDEATH") {
        // Only the death of the connection that gave the current birth counts; an older will arriving late
        // says nothing of the present one.
        if (!parsed || !node.alive)
            return;
        for (const auto& m : p.metrics())
            if (m.name() == sparkplug::bd_seq_name && m.value_case() == Metric::kLongValue &&
                static_cast<std::int64_t>(m.long_value()) == node.bd_seq) {
                node.alive = false;
                node.in_sync = false;
                for (auto& [name, dev] : node.devices)
                    show_state(dev);
                return;
            }
        return;
    }
    if (type == "NBIRTH") {
        if (!parsed || !p.has_seq()) {
            reject();
            return;
        }
        std::optional<std::int64_t> bd_seq;
        for (const auto& m : p.metrics())
            if (m.name() == sparkplug::bd_seq_name && m.value_case() == Metric::kLongValue)
                bd_seq = static_cast<std::int64_t>(m.long_value());
        if (!bd_seq) {
            reject();
            return;
        }
        node.alive = true;
        node.in_sync = true;
        node.bd_seq = *bd_seq;
        node.seq = p.seq();
        node.rebirth_asked_ms.reset();
        // Its devices are known again only from their own births in this session.
        for (auto& [name, dev] : node.devices) {
            dev.born = false;
            dev.alive = false;
            show_state(dev);
        }
        return;
    }
    if (type != "DBIRTH" && type != "DDATA" && type != "DDEATH") {
        if (type == "NDATA" && parsed && node.in_sync && p.has_seq() && p.seq() == (node.seq + 1) % 256)
            node.seq = p.seq();
        else if (type == "NDATA")
            reject();
        return;
    }
    if (parts->device.empty())
        return;
    if (!parsed || !node.alive || !node.in_sync || !p.has_seq() || p.seq() != (node.seq + 1) % 256) {
        reject();
        return;
    }

    device_state& dev = node.devices[parts->device];
    if (type == "DDEATH") {
        node.seq = p.seq();
        dev.alive = false;
        show_state(dev);
        return;
    }

    // The metrics' places: from this birth, or from the device's birth for data.
    std::map<std::uint64_t, std::size_t> aliases;
    std::map<std::string, std::size_t> names;
    std::array<std::string, value_count> units{};
    if (type == "DBIRTH") {
        for (const auto& m : p.metrics()) {
            const std::size_t index = metric_index(m.name());
            if (m.name().empty())
                continue;
            names[m.name()] = index;
            if (m.has_alias())
                aliases[m.alias()] = index;
            if (index < value_count)
                units[index] = unit_of(m);
        }
    } else if (!dev.born) {
        reject();
        return;
    }
    const auto& alias_map = type == "DBIRTH" ? aliases : dev.aliases;
    const auto& name_map = type == "DBIRTH" ? names : dev.names;

    // Every metric must name one of the birth's; one that does not means a birth was missed.
    struct placed {
        std::size_t index;
        std::int64_t time;
        bool historical;
        const Metric* m;
    };
    std::vector<placed> metrics;
    metrics.reserve(static_cast<std::size_t>(p.metrics_size()));
    const std::int64_t message_time = static_cast<std::int64_t>(p.timestamp());
    for (const auto& m : p.metrics()) {
        std::size_t index = unknown_metric;
        if (m.has_alias() && type != "DBIRTH") {
            const auto it = alias_map.find(m.alias());
            if (it == alias_map.end()) {
                reject();
                return;
            }
            index = it->second;
        } else {
            const auto it = name_map.find(m.name());
            if (it == name_map.end()) {
                reject();
                return;
            }
            index = it->second;
        }
        if (index == unknown_metric)
            continue; // born, but nothing this host shows
        metrics.push_back({index, m.has_timestamp() ? static_cast<std::int64_t>(m.timestamp()) : message_time,
                           m.is_historical(), &m});
    }
    node.seq = p.seq();

    const bool is_new = !dev.shown;
    if (is_new) {
        rigs_.push_back(std::make_unique<rig>());
        dev.shown = rigs_.back().get();
        dev.shown->node = parts->node;
        dev.shown->device = parts->device;
    }
    rig& r = *dev.shown;
    if (type == "DBIRTH") {
        dev.born = true;
        dev.alive = true;
        dev.aliases = std::move(aliases);
        dev.names = std::move(names);
        dev.live = {};
        dev.backlog = {};
        r.units = units;
        changed(r);
    }

    // The metrics of one time (and kind) are one reading; the stream's state after it is the reading.
    std::size_t first = 0;
    while (first < metrics.size()) {
        const auto other =
            std::find_if(metrics.begin() + static_cast<std::ptrdiff_t>(first), metrics.end(), [&](const placed& m) {
                return m.time != metrics[first].time || m.historical != metrics[first].historical;
            });
        const auto end = static_cast<std::size_t>(other - metrics.begin());
        const bool historical = metrics[first].historical;
        const std::int64_t time = metrics[first].time;
        reported& stream = historical ? dev.backlog : dev.live;
        for (std::size_t i = first; i < end; ++i) {
            const Metric& m = *metrics[i].m;
            const std::size_t index = metrics[i].index;
            if (index < value_count)
                stream.values[index] = number_of(m);
            else if (index == sparkplug::age_metric)
                stream.age = number_of(m);
            else if (index == sparkplug::source_metric)
                stream.source = m.value_case() == Metric::kStringValue ? m.string_value() : std::string("unknown");
        }
        first = end;

        ++counts_.readings;
        const double seconds = static_cast<double>(time) / 1000.0;
        const bool duplicate = r.history.contains(seconds) || (r.reading_ms && *r.reading_ms == time && !historical);
        if (duplicate) {
            ++counts_.duplicates;
            continue;
        }
        if (historical) {
            ++counts_.historical;
            dev.last_historical_ms = now;
            if (stream.live())
                r.history.add(seconds, drawable(stream));
            else
                r.history.add_gap(seconds);
            changed(r);
            continue;
        }
        // A live reading older than the newest one shown fills the history only.
        const bool newest = !r.reading_ms || time > *r.reading_ms;
        if (stream.live())
            r.history.add(seconds, drawable(stream));
        else
            r.history.add_gap(seconds);
        if (newest) {
            r.reading_ms = time;
            r.source = stream.source.empty() ? "live" : stream.source;
            r.reading_age_s = stream.age;
            if (stream.live()) {
                r.values = stream.values;
                r.values_ms = time;
                r.received_ms = now;
            }
        }
        changed(r);
    }
    show_state(dev);
}

void fleet_host::broker_lost(std::int64_t now) {
    outgoing_.clear();
    for (auto& [name, node] : nodes_) {
        node->alive = false;
        node->in_sync = false;
        node->rebirth_asked_ms.reset();
        for (auto& [device, dev] : node->devices)
            if (dev.shown && dev.shown->state != rig_state::offline) {
                dev.shown->state = rig_state::offline;
                changed(*dev.shown);
            }
    }
    (void)now;
}

void fleet_host::tick(std::int64_t now) {
    for (auto& [name, node] : nodes_)
        for (auto& [device, dev] : node->devices) {
            if (!dev.shown)
                continue;
            const rig_state s = state_of(*dev.shown, dev.live, node->alive && dev.alive, dev.last_historical_ms, now);
            if (s != dev.shown->state) {
                dev.shown->state = s;
                changed(*dev.shown);
            }
        }
}

} // namespace fleet
