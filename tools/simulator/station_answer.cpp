#include "tools/simulator/station_answer.h"

#include "acquisition/core/output_file.h"
#include "library/cp1251.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace tools {
namespace {

double wave(double t, double period) {
    return std::sin(2 * std::numbers::pi * t / period);
}

} // namespace

std::vector<answer_record> station_values(double t) {
    // Rate of penetration in m/h, and the hole depth as its integral, so the depth always grows
    // at exactly the rate the station reports.
    constexpr double rop_period = 600, rop_mean = 12, rop_swing = 4;
    const double rop = rop_mean + rop_swing * wave(t, rop_period);
    const double drilled = rop_mean * t + rop_swing * rop_period / (2 * std::numbers::pi) *
                                              (1 - std::cos(2 * std::numbers::pi * t / rop_period));
    const double depth = 1500.0 + drilled / 3600.0;
    // The bit rises up to 0.4 m off bottom and goes back down.
    const double bit_depth = depth - 0.2 * (1 - std::cos(2 * std::numbers::pi * t / 300));
    // The travelling block moves down over a stand while drilling, then is pulled up quickly.
    constexpr double stand_period = 180, top = 27, bottom = 3, down_share = 5.0 / 6;
    const double phase = std::fmod(t, stand_period) / stand_period;
    const double block = phase < down_share ? top - (top - bottom) * phase / down_share
                                            : bottom + (top - bottom) * (phase - down_share) / (1 - down_share);
    const double hook_load = 82 + 4 * wave(t, 47);
    const double pressure = 118 + 3 * wave(t, 31);

    const double in_file_order[6] = {depth, bit_depth, hook_load, block, pressure, rop};
    std::vector<answer_record> records;
    for (std::size_t i = 0; i < output_names.size(); ++i)
        records.push_back({output_names[i], in_file_order[i]});
    records.push_back({lib::utf8_to_1251("нагрузка_на_долото"), 9 + 1.5 * wave(t, 53)});
    records.push_back({lib::utf8_to_1251("обороты_ротора"), 60 + 6 * wave(t, 71)});
    records.push_back({lib::utf8_to_1251("расход_на_входе"), 32 + 0.8 * wave(t, 97)});
    return records;
}

std::string build_answer(const std::vector<answer_record>& records, const answer_faults& faults) {
    const auto record = [&](const std::string& name, double value) {
        return encode_records({{faults.capitals ? lib::to_upper_1251(name) : name, value}});
    };
    std::string payload;
    for (const auto& r : records)
        payload += record(r.name, r.value);
    if (faults.malformed) {
        // Three bytes of -1.0 are zeros, so a reader that pads a short value would store 0 here
        // over the depth the full record gave.
        const std::string cut = record(records.empty() ? std::string("depth") : records.front().name, -1.0);
        payload += cut.substr(0, cut.size() - 5);
    }
    const int excess = faults.never_complete ? never_complete_excess : 0;
    return encode_frame(payload, static_cast<std::int32_t>(payload.size()) + excess);
}

std::vector<std::string> split_answer(const std::string& frame, int pieces) {
    const std::size_t n = std::min<std::size_t>(std::max(pieces, 1), std::max<std::size_t>(frame.size(), 1));
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t end = frame.size() * (i + 1) / n;
        parts.push_back(frame.substr(start, end - start));
        start = end;
    }
    return parts;
}

request_scanner::result request_scanner::feed(const char* data, std::size_t size) {
    result r;
    const std::string_view request(station_request, sizeof station_request);
    for (std::size_t i = 0; i < size; ++i) {
        pending_ += data[i];
        // Drop leading bytes until what is held could still be the start of a request.
        while (!pending_.empty() && !request.starts_with(pending_)) {
            pending_.erase(0, 1);
            ++r.junk;
        }
        if (pending_.size() == request.size()) {
            ++r.requests;
            pending_.clear();
        }
    }
    return r;
}

} // namespace tools
