// A host application's ear for the whole-program tests and benchmarks: subscribes to a broker's Sparkplug
// namespace and the node's receipt topic, decodes every payload with the generated protobuf classes and prints
// one JSON line per message (arrival time, topic, size, seq, each metric), flushing each, reconnecting by itself
// when the broker goes away; its session is kept by the broker, so nothing published meanwhile is missed.
//
// usage: sparkplug_listen HOST PORT

#include "sparkplug_b.pb.h"

#include <mosquitto.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (const char c : s)
        out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

std::string number(double v) {
    if (!std::isfinite(v))
        return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

void on_message(mosquitto*, void*, const mosquitto_message* m) {
    const auto now =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const std::string topic = m->topic;
    std::string line = "{\"at_us\":" + std::to_string(now) + ",\"topic\":" + quoted(topic) +
                       ",\"bytes\":" + std::to_string(m->payloadlen);
    sparkplug::Payload p;
    if (topic.rfind("spBv1.0/", 0) == 0 && topic.find("/STATE/") == std::string::npos &&
        p.ParseFromArray(m->payload, m->payloadlen)) {
        line += ",\"ts\":" + std::to_string(p.timestamp());
        if (p.has_seq())
            line += ",\"seq\":" + std::to_string(p.seq());
        line += ",\"metrics\":[";
        for (int i = 0; i < p.metrics_size(); ++i) {
            const auto& x = p.metrics(i);
            line += std::string(i ? "," : "") + "{\"alias\":" + std::to_string(x.alias()) +
                    ",\"ts\":" + std::to_string(x.has_timestamp() ? x.timestamp() : p.timestamp());
            if (x.has_name())
                line += ",\"name\":" + quoted(x.name());
            if (x.is_historical())
                line += ",\"hist\":true";
            if (x.is_null())
                line += ",\"null\":true";
            switch (x.value_case()) {
            case sparkplug::Payload::Metric::kFloatValue:
                line += ",\"v\":" + number(x.float_value());
                break;
            case sparkplug::Payload::Metric::kLongValue:
                line += ",\"v\":" + std::to_string(x.long_value());
                break;
            case sparkplug::Payload::Metric::kBooleanValue:
                line += x.boolean_value() ? ",\"v\":true" : ",\"v\":false";
                break;
            case sparkplug::Payload::Metric::kStringValue:
                line += ",\"v\":" + quoted(x.string_value());
                break;
            default:
                break;
            }
            line += "}";
        }
        line += "]";
    } else {
        line += ",\"text\":" + quoted(std::string(static_cast<const char*>(m->payload), m->payloadlen));
    }
    std::printf("%s}\n", line.c_str());
    std::fflush(stdout);
}

void on_connect(mosquitto* mosq, void*, int rc) {
    if (rc == 0) {
        mosquitto_subscribe(mosq, nullptr, "spBv1.0/#", 1);
        mosquitto_subscribe(mosq, nullptr, "borevane/#", 1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sparkplug_listen HOST PORT\n");
        return 2;
    }
    mosquitto_lib_init();
    mosquitto* mosq = mosquitto_new("e2e-listener", false, nullptr);
    mosquitto_connect_callback_set(mosq, on_connect);
    mosquitto_message_callback_set(mosq, on_message);
    mosquitto_reconnect_delay_set(mosq, 1, 1, false);
    while (mosquitto_connect(mosq, argv[1], std::atoi(argv[2]), 30) != MOSQ_ERR_SUCCESS)
        mosquitto_loop(mosq, 200, 1), usleep(200000);
    std::fprintf(stderr, "listening\n");
    mosquitto_loop_forever(mosq, -1, 1);
    return 0;
}
