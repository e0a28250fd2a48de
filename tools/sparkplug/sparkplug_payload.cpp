#include "tools/sparkplug/sparkplug_payload.h"

#include "sparkplug_b.pb.h"

namespace sparkplug {
namespace {

using Metric = Payload::Metric;

// Sets metric `index` of `r`: a value, or null where the reading holds none.
void set_value(Metric& m, const metric_settings& settings, const reading& r, std::size_t index) {
    if (index == source_metric) {
        m.set_string_value(source_name(r.from));
    } else if (index == age_metric) {
        if (r.age_s)
            m.set_float_value(*r.age_s);
        else
            m.set_is_null(true);
    } else if (r.live()) {
        m.set_float_value(static_cast<float>(scaled_value(settings, r, index)));
    } else {
        m.set_is_null(true);
    }
}

std::uint32_t datatype_of(std::size_t index) {
    return index == source_metric ? DataType::String : DataType::Float;
}

std::string encoded(const Payload& p) {
    std::string bytes;
    p.SerializeToString(&bytes);
    return bytes;
}

} // namespace

std::string node_birth(std::int64_t bd_seq, std::int64_t now_ms) {
    Payload p;
    p.set_timestamp(static_cast<std::uint64_t>(now_ms));
    p.set_seq(0);
    Metric* bd = p.add_metrics();
    bd->set_name(bd_seq_name);
    bd->set_timestamp(static_cast<std::uint64_t>(now_ms));
    bd->set_datatype(DataType::Int64);
    bd->set_long_value(static_cast<std::uint64_t>(bd_seq));
    Metric* rebirth = p.add_metrics();
    rebirth->set_name(rebirth_name);
    rebirth->set_timestamp(static_cast<std::uint64_t>(now_ms));
    rebirth->set_datatype(DataType::Boolean);
    rebirth->set_boolean_value(false);
    return encoded(p);
}

std::string node_death(std::int64_t bd_seq, std::int64_t now_ms) {
    Payload p;
    p.set_timestamp(static_cast<std::uint64_t>(now_ms));
    Metric* bd = p.add_metrics();
    bd->set_name(bd_seq_name);
    bd->set_timestamp(static_cast<std::uint64_t>(now_ms));
    bd->set_datatype(DataType::Int64);
    bd->set_long_value(static_cast<std::uint64_t>(bd_seq));
    return encoded(p);
}

std::string device_birth(const metric_settings& settings, const reading& current, std::uint64_t seq,
                         std::int64_t now_ms) {
    Payload p;
    p.set_timestamp(static_cast<std::uint64_t>(now_ms));
    p.set_seq(seq);
    for (std::size_t i = 0; i < metric_count; ++i) {
        if (!settings[i].enabled)
            continue;
        Metric* m = p.add_metrics();
        m->set_name(metric_names[i]);
        m->set_alias(alias_of(i));
        m->set_timestamp(static_cast<std::uint64_t>(current.time_ms));
        m->set_datatype(datatype_of(i));
        set_value(*m, settings, current, i);
        if (i != source_metric && !settings[i].unit.empty()) {
            Payload::PropertySet* props = m->mutable_properties();
            props->add_keys("engUnit");
            Payload::PropertyValue* unit = props->add_values();
            unit->set_type(DataType::String);
            unit->set_string_value(settings[i].unit);
        }
    }
    return encoded(p);
}

std::string device_data(const metric_settings& settings, const std::vector<masked_reading>& readings, bool historical,
                        std::uint64_t seq, std::int64_t now_ms) {
    Payload p;
    // One live reading: the message is dated with the reading's time and its metrics inherit it, which a data
    // message allows; seven bytes less a metric on the wire. Batches date every metric with its own reading.
    const bool one_live = !historical && readings.size() == 1;
    p.set_timestamp(static_cast<std::uint64_t>(one_live ? readings.front().first.time_ms : now_ms));
    p.set_seq(seq);
    for (const auto& [r, mask] : readings) {
        for (std::size_t i = 0; i < metric_count; ++i) {
            if (!mask[i] || !settings[i].enabled)
                continue;
            Metric* m = p.add_metrics();
            m->set_alias(alias_of(i));
            if (!one_live)
                m->set_timestamp(static_cast<std::uint64_t>(r.time_ms));
            if (historical)
                m->set_is_historical(true);
            set_value(*m, settings, r, i);
        }
    }
    return encoded(p);
}

std::string rebirth_command(std::int64_t now_ms) {
    Payload p;
    p.set_timestamp(static_cast<std::uint64_t>(now_ms));
    Metric* rebirth = p.add_metrics();
    rebirth->set_name(rebirth_name);
    rebirth->set_timestamp(static_cast<std::uint64_t>(now_ms));
    rebirth->set_datatype(DataType::Boolean);
    rebirth->set_boolean_value(true);
    return encoded(p);
}

bool asks_rebirth(const std::string& ncmd_payload) {
    Payload p;
    if (!p.ParseFromString(ncmd_payload))
        return false;
    for (const auto& m : p.metrics())
        if (m.name() == rebirth_name && m.value_case() == Metric::kBooleanValue && m.boolean_value())
            return true;
    return false;
}

} // namespace sparkplug
