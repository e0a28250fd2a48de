#pragma once
// An edge node as the fleet host meets it, for the shore side's tests: births, data by exception, a backlog and
// its will, built by the edge node's own payload code and fed straight to a host.
#include "tools/fleet/fleet_host.h"
#include "tools/sparkplug/edge_reading.h"
#include "tools/sparkplug/sparkplug_payload.h"
#include "tools/sparkplug/sparkplug_session.h"

#include <optional>
#include <string>
#include <vector>

namespace bv_test {

using sparkplug::reading;

// A reading taken at `t` with hole depth `depth`, the other values following it.
inline reading at(std::int64_t t, float depth, sparkplug::source from = sparkplug::source::live) {
    reading r;
    r.time_ms = t;
    r.from = from;
    r.age_s = 0.2f;
    r.values = {depth, depth - 1, 50 + depth / 100, 10, 120, 12 + depth / 1000};
    return r;
}

// One edge node as the edge sends: births, data by exception, a backlog, its will.
struct edge {
    fleet::fleet_host& host;
    std::string node;
    sparkplug::metric_settings settings = sparkplug::default_metric_settings();
    sparkplug::topics t{"Borevane", node, "depth"};
    sparkplug::session_sequence seq{std::nullopt};
    sparkplug::exception_filter live{settings}, backlog{settings};

    void births(const reading& r, std::int64_t now) {
        t = sparkplug::topics("Borevane", node, "depth");
        host.message(t.nbirth, sparkplug::node_birth(seq.next_connection(), now), now);
        seq.birth();
        host.message(t.dbirth, sparkplug::device_birth(settings, r, seq.next(), now), now);
        live.reset(r);
        backlog.clear();
    }
    void data(const reading& r, std::int64_t now) {
        host.message(t.ddata, sparkplug::device_data(settings, {{r, live.next(r)}}, false, seq.next(), now), now);
    }
    void historical(const std::vector<reading>& rs, std::int64_t now) {
        std::vector<sparkplug::masked_reading> batch;
        for (const auto& r : rs)
            batch.emplace_back(r, backlog.next(r));
        host.message(t.ddata, sparkplug::device_data(settings, batch, true, seq.next(), now), now);
    }
    void death(std::int64_t bd_seq, std::int64_t now) {
        host.message(t.ndeath, sparkplug::node_death(bd_seq, now), now);
    }
    const fleet::rig& shown() const { return *host.find(node, "depth"); }
};

} // namespace bv_test
