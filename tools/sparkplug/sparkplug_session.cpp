#include "tools/sparkplug/sparkplug_session.h"

#include <algorithm>
#include <regex>

namespace sparkplug {

std::int64_t session_sequence::next_connection() {
    last_bd_seq_ = last_bd_seq_ ? (*last_bd_seq_ + 1) % 256 : 0;
    return *last_bd_seq_;
}

std::uint64_t session_sequence::birth() {
    seq_ = 0;
    return seq_;
}

std::uint64_t session_sequence::next() {
    seq_ = (seq_ + 1) % 256;
    return seq_;
}

int reconnect_delay_ms(int failures, double jitter) {
    constexpr int floor_ms = 1000, cap_ms = 10000;
    const int ceiling = failures >= 4 ? cap_ms : std::min(cap_ms, floor_ms << std::max(failures, 0));
    const int spread = static_cast<int>((ceiling / 2) * std::clamp(jitter, 0.0, 1.0));
    return std::clamp(ceiling / 2 + spread, floor_ms, cap_ms);
}

bool valid_topic_id(const std::string& text) {
    return !text.empty() && text.find_first_of("/+#") == std::string::npos;
}

topics::topics(const std::string& group, const std::string& node, const std::string& device) {
    const std::string base = "spBv1.0/" + group + "/";
    nbirth = base + "NBIRTH/" + node;
    ndeath = base + "NDEATH/" + node;
    ncmd = base + "NCMD/" + node;
    dbirth = base + "DBIRTH/" + node + "/" + device;
    ddata = base + "DDATA/" + node + "/" + device;
    ddeath = base + "DDEATH/" + node + "/" + device;
    receipt = "borevane/receipt/" + group + "/" + node;
}

std::optional<bool> host_online(const std::string& json) {
    // {"online": true, "timestamp": 1700000000000}; the key may sit anywhere in the object.
    static const std::regex online(R"re(^\s*\{[\s\S]*"online"\s*:\s*(true|false)\b[\s\S]*\}\s*$)re");
    std::smatch m;
    if (!std::regex_match(json, m, online))
        return std::nullopt;
    return m[1] == "true";
}

} // namespace sparkplug
