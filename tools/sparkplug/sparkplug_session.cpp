#include "tools/sparkplug/sparkplug_session.h"

#include <algorithm>
#include <cctype>

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
    // {"online": true, "timestamp": 1700000000000}; the key may sit anywhere in the object. Scanned in one pass:
    // the message comes from the broker, any length, and is retained, so a parse that recursed with its length
    // (as a backtracking pattern does) would crash the node again on every start.
    const auto is_space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    const std::size_t first = json.find_first_not_of(" \t\n\r"), last = json.find_last_not_of(" \t\n\r");
    if (first == std::string::npos || json[first] != '{' || json[last] != '}')
        return std::nullopt;
    static const std::string key = "\"online\"";
    for (std::size_t at = json.find(key, first); at != std::string::npos && at < last; at = json.find(key, at + 1)) {
        std::size_t i = at + key.size();
        while (i < last && is_space(json[i]))
            ++i;
        if (i >= last || json[i] != ':')
            continue;
        ++i;
        while (i < last && is_space(json[i]))
            ++i;
        for (const bool value : {true, false}) {
            const std::string word = value ? "true" : "false";
            const std::size_t end = i + word.size();
            // The whole word: what follows is not part of a longer name.
            if (json.compare(i, word.size(), word) == 0 && end <= last &&
                !std::isalnum(static_cast<unsigned char>(json[end])) && json[end] != '_')
                return value;
        }
    }
    return std::nullopt;
}

} // namespace sparkplug
