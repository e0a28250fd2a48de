// What the rig's edge node and the shore's fleet view take from a broker, where anyone with publish rights on
// their topics can write: the primary host's STATE and a node command (the edge node), and a stream of Sparkplug
// messages after a node's births (a host): well-formed ones with fuzzed values, sequence numbers, times and
// deaths, mixed with arbitrary bytes on the same topics.
// Properties: a STATE says online or offline only when it carries the key; the host shows only rigs of nodes that
// wrote to it, in a state it can name, and all it sends back is a command to such a node.
#include "fuzz/fuzz_check.h"
#include "tests/support/fleet_edge.h"
#include "tools/sparkplug/sparkplug_payload.h"
#include "tools/sparkplug/sparkplug_session.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

sparkplug::reading fuzzed_reading(FuzzedDataProvider& in, std::int64_t time_ms) {
    sparkplug::reading r;
    r.time_ms = time_ms;
    r.from = static_cast<sparkplug::source>(in.ConsumeIntegralInRange<int>(0, 6));
    if (in.ConsumeBool())
        r.age_s = in.ConsumeFloatingPoint<float>();
    for (float& v : r.values)
        v = in.ConsumeFloatingPoint<float>();
    return r;
}

bool known_node(const std::string& node) {
    return node == "n1" || node == "n2";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // Up to 255 KB of blanks somewhere in it: a retained STATE may be of any length.
    std::string state = in.ConsumeRandomLengthString(512);
    state.insert(in.ConsumeIntegralInRange<std::size_t>(0, state.size()),
                 std::string(in.ConsumeIntegral<std::uint8_t>() * std::size_t(1024), ' '));
    if (sparkplug::host_online(state))
        FUZZ_CHECK(state.find("\"online\"") != std::string::npos);
    (void)sparkplug::asks_rebirth(in.ConsumeRandomLengthString(512));

    fleet::fleet_host host("Borevane");
    std::int64_t now = 1'700'000'000'000;
    bv_test::edge edges[] = {{host, "n1"}, {host, "n2"}};
    static const std::array<const char*, 6> kinds = {"NBIRTH", "DBIRTH", "NDATA", "DDATA", "NDEATH", "NCMD"};
    while (in.remaining_bytes() > 0) {
        bv_test::edge& e = edges[in.ConsumeBool()];
        now += in.ConsumeIntegralInRange<std::int64_t>(-2000, 20000);
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0:
            e.births(fuzzed_reading(in, now), now);
            break;
        case 1:
            e.data(fuzzed_reading(in, now - in.ConsumeIntegralInRange<std::int64_t>(0, 5000)), now);
            break;
        case 2: {
            std::vector<sparkplug::reading> batch;
            for (int n = in.ConsumeIntegralInRange<int>(1, 5); n > 0; --n)
                batch.push_back(fuzzed_reading(in, now - in.ConsumeIntegralInRange<std::int64_t>(0, 7200000)));
            e.historical(batch, now);
            break;
        }
        case 3:
            e.death(in.ConsumeIntegralInRange<std::int64_t>(0, 256), now);
            break;
        case 4:
            e.seq.next(); // a message lost on the way
            break;
        case 5:
            host.broker_lost(now);
            break;
        default: {
            const std::string kind = kinds[in.ConsumeIntegralInRange<std::size_t>(0, kinds.size() - 1)];
            const bool device = kind[0] == 'D';
            host.message("spBv1.0/Borevane/" + kind + "/" + e.node + (device ? "/depth" : ""),
                         in.ConsumeRandomLengthString(1024), now);
        }
        }
        host.tick(now);
        for (const auto& command : host.take_outgoing())
            FUZZ_CHECK(command.topic == "spBv1.0/Borevane/NCMD/n1" || command.topic == "spBv1.0/Borevane/NCMD/n2");
    }
    for (std::size_t i = 0; i < host.size(); ++i) {
        FUZZ_CHECK(known_node(host.at(i).node));
        FUZZ_CHECK(std::strlen(fleet::state_name(host.at(i).state)) > 0);
    }
    return 0;
}
