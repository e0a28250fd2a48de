// The edge node's Qt-free units: payloads read back field by field by protobuf's schema-less wire parser (so a
// wrong field number or type in our schema shows), the sequence rules, report by exception, the queue on a real
// SQLite file, and the settings file.

#include "tests/support/scratch_dir.h"
#include "tools/sparkplug/edge_settings.h"
#include "tools/sparkplug/reading_queue.h"
#include "tools/sparkplug/sparkplug_payload.h"
#include "tools/sparkplug/sparkplug_session.h"

#include "sparkplug_b.pb.h"

#include <google/protobuf/unknown_field_set.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <memory>
#include <thread>

using namespace sparkplug;
using google::protobuf::UnknownField;
using google::protobuf::UnknownFieldSet;

namespace {

// The wire fields of a message, by number; each repeated field in order.
struct wire {
    std::shared_ptr<UnknownFieldSet> set = std::make_shared<UnknownFieldSet>();
    explicit wire(const std::string& bytes) { EXPECT_TRUE(set->ParseFromString(bytes)); }
    std::vector<const UnknownField*> all(int number) const {
        std::vector<const UnknownField*> out;
        for (int i = 0; i < set->field_count(); ++i)
            if (set->field(i).number() == number)
                out.push_back(&set->field(i));
        return out;
    }
    bool has(int number) const { return !all(number).empty(); }
    std::uint64_t varint(int number) const { return all(number).at(0)->varint(); }
    float fixed_float(int number) const { return std::bit_cast<float>(all(number).at(0)->fixed32()); }
    std::string bytes(int number) const { return all(number).at(0)->length_delimited(); }
    std::vector<wire> messages(int number) const {
        std::vector<wire> out;
        for (const auto* f : all(number))
            out.emplace_back(f->length_delimited());
        return out;
    }
};

reading live_reading(std::int64_t t, float first) {
    reading r;
    r.time_ms = t;
    r.from = source::live;
    r.age_s = 0.25f;
    r.values = {first, 2, 3, 4, 5, 6};
    return r;
}

} // namespace

TEST(SparkplugPayload, BirthsCarryNamesAliasesTypesUnitsAndTheReadingTime) {
    metric_settings settings = default_metric_settings();
    settings[2].factor = 0.5;
    settings[3].enabled = false;
    const wire birth(device_birth(settings, live_reading(1700000000123, 1523.5f), 1, 1700000000999));
    EXPECT_EQ(birth.varint(1), 1700000000999u); // sending time
    EXPECT_EQ(birth.varint(3), 1u);             // seq
    const auto metrics = birth.messages(2);
    ASSERT_EQ(metrics.size(), metric_count - 1); // Block Position switched off
    EXPECT_EQ(metrics[0].bytes(1), "Hole Depth");
    EXPECT_EQ(metrics[0].varint(2), 1u);             // alias
    EXPECT_EQ(metrics[0].varint(3), 1700000000123u); // the file's time, not the sending time
    EXPECT_EQ(metrics[0].varint(4), 9u);             // Float
    EXPECT_EQ(metrics[0].fixed_float(12), 1523.5f);  // float_value
    EXPECT_EQ(metrics[2].fixed_float(12), 1.5f);     // Hook Load scaled
    const wire units(metrics[0].bytes(9));           // properties
    EXPECT_EQ(units.bytes(1), "engUnit");
    EXPECT_EQ(wire(units.bytes(2)).varint(1), 12u); // String
    EXPECT_EQ(wire(units.bytes(2)).bytes(8), "м");
    EXPECT_EQ(metrics[5].bytes(1), "Reading Age");
    EXPECT_EQ(metrics[5].fixed_float(12), 0.25f);
    EXPECT_EQ(metrics[6].bytes(1), "Source");
    EXPECT_EQ(metrics[6].varint(4), 12u);
    EXPECT_EQ(metrics[6].bytes(15), "live");
    EXPECT_EQ(metrics[6].varint(2), 8u);

    // A birth while the file is missing: every value null, none sent as if current.
    reading missing;
    missing.time_ms = 5;
    const auto dead = wire(device_birth(default_metric_settings(), missing, 1, 6)).messages(2);
    for (std::size_t i = 0; i <= age_metric; ++i) {
        EXPECT_EQ(dead[i].varint(7), 1u) << i; // is_null
        EXPECT_FALSE(dead[i].has(12)) << i;
    }
    EXPECT_EQ(dead[source_metric].bytes(15), "missing");
}

TEST(SparkplugPayload, NodeBirthDeathAndHistoricalData) {
    const wire nbirth(node_birth(200, 42));
    EXPECT_EQ(nbirth.varint(1), 42u); // a host dates the node's births with it
    EXPECT_EQ(nbirth.varint(3), 0u);
    const auto node_metrics = nbirth.messages(2);
    ASSERT_EQ(node_metrics.size(), 2u);
    EXPECT_EQ(node_metrics[0].bytes(1), "bdSeq");
    EXPECT_EQ(node_metrics[0].varint(4), 4u);    // Int64
    EXPECT_EQ(node_metrics[0].varint(11), 200u); // long_value
    EXPECT_EQ(node_metrics[1].bytes(1), "Node Control/Rebirth");
    EXPECT_EQ(node_metrics[1].varint(4), 11u); // Boolean
    EXPECT_EQ(node_metrics[1].varint(14), 0u); // boolean_value false
    const wire ndeath(node_death(200, 43));
    EXPECT_FALSE(ndeath.has(3)); // a death has no seq
    EXPECT_EQ(ndeath.varint(1), 43u);
    const wire death_bd = ndeath.messages(2).at(0);
    EXPECT_EQ(death_bd.bytes(1), "bdSeq");
    EXPECT_EQ(death_bd.varint(4), 4u); // Int64, as in the birth: a host matches the two
    EXPECT_EQ(death_bd.varint(11), 200u);

    exception_filter::mask first{}, second{};
    first.fill(true);
    second[0] = true;
    const wire data(device_data(default_metric_settings(),
                                {{live_reading(1000, 7), first}, {live_reading(2000, 8), second}}, true, 255, 3000));
    EXPECT_EQ(data.varint(3), 255u);
    const auto metrics = data.messages(2);
    ASSERT_EQ(metrics.size(), metric_count + 1);
    for (const auto& m : metrics) {
        EXPECT_FALSE(m.has(1));     // aliases only
        EXPECT_FALSE(m.has(4));     // no datatype outside births
        EXPECT_EQ(m.varint(5), 1u); // is_historical
    }
    EXPECT_EQ(metrics.back().varint(3), 2000u);
    EXPECT_EQ(metrics.back().fixed_float(12), 8.0f);
    // One live reading: the payload carries the reading's time, its metrics none (they inherit it), none historical.
    const wire live(device_data(default_metric_settings(), {{live_reading(1000, 7), first}}, false, 4, 5000));
    EXPECT_EQ(live.varint(1), 1000u);
    for (const auto& m : live.messages(2)) {
        EXPECT_FALSE(m.has(3));
        EXPECT_FALSE(m.has(5));
    }
    // Two live readings in one message keep their own times.
    const wire two(device_data(default_metric_settings(),
                               {{live_reading(1000, 7), second}, {live_reading(2000, 8), second}}, false, 4, 5000));
    EXPECT_EQ(two.varint(1), 5000u);
    EXPECT_EQ(two.messages(2).at(1).varint(3), 2000u);
}

TEST(SparkplugPayload, RebirthCommandOnlyWhenAskedTrue) {
    auto command = [](const char* name, bool value) {
        Payload p;
        auto* m = p.add_metrics();
        m->set_name(name);
        m->set_boolean_value(value);
        return p.SerializeAsString();
    };
    EXPECT_TRUE(asks_rebirth(command(rebirth_name, true)));
    EXPECT_FALSE(asks_rebirth(command(rebirth_name, false)));
    EXPECT_FALSE(asks_rebirth(command("Node Control/Reboot", true)));
    EXPECT_FALSE(asks_rebirth("\xff\xff garbage"));
    EXPECT_TRUE(asks_rebirth(rebirth_command(1700000000000))); // what a host sends
}

TEST(SparkplugSession, SeqAndBdSeqWrapAndGoOnAcrossRestarts) {
    session_sequence first_ever(std::nullopt);
    EXPECT_EQ(first_ever.next_connection(), 0);
    EXPECT_EQ(first_ever.next_connection(), 1);
    session_sequence restarted(255);
    EXPECT_EQ(restarted.bd_seq(), 255);
    EXPECT_EQ(restarted.next_connection(), 0);
    EXPECT_EQ(restarted.birth(), 0u);
    for (std::uint64_t i = 1; i <= 255; ++i)
        ASSERT_EQ(restarted.next(), i);
    EXPECT_EQ(restarted.next(), 0u);
    EXPECT_EQ(restarted.next(), 1u);
    EXPECT_EQ(restarted.birth(), 0u);
    EXPECT_EQ(restarted.next(), 1u);
}

TEST(SparkplugSession, ReconnectDelayDoublesFromOneToTenSecondsJittered) {
    EXPECT_EQ(reconnect_delay_ms(0, 0), 1000);
    EXPECT_EQ(reconnect_delay_ms(0, 0.99), 1000);
    EXPECT_EQ(reconnect_delay_ms(1, 0), 1000);
    EXPECT_EQ(reconnect_delay_ms(1, 0.999), 1999);
    EXPECT_EQ(reconnect_delay_ms(2, 0.5), 3000);
    EXPECT_EQ(reconnect_delay_ms(3, 0), 4000);
    EXPECT_EQ(reconnect_delay_ms(4, 0), 5000);
    EXPECT_EQ(reconnect_delay_ms(1000, 1), 10000);
    EXPECT_EQ(reconnect_delay_ms(40, 0.999), 9995);
    EXPECT_EQ(reconnect_delay_ms(-1, 2), 1000);
}

TEST(SparkplugSession, PrimaryHostState) {
    EXPECT_EQ(host_online(R"({"online" : true, "timestamp": 1})"), true);
    EXPECT_EQ(host_online("{\"timestamp\":1,\n \"online\":false}"), false);
    EXPECT_EQ(host_online("ONLINE"), std::nullopt);
    EXPECT_EQ(host_online(R"({"online": truest})"), std::nullopt);
    EXPECT_EQ(host_online(R"({"online": false)"), std::nullopt);
    EXPECT_EQ(host_online("{\"online\"\t:\r\ntrue}"), true);
    EXPECT_EQ(host_online(R"({"offline": 1, "online" true, "online":true })"), true);
    EXPECT_EQ(host_online(R"("online": true})"), std::nullopt);
    // Retained and of any length: a megabyte on either side of the key is read, not a crash at every start.
    const std::string pad(1 << 20, 'x');
    EXPECT_EQ(host_online("{\"a\": \"" + pad + "\", \"online\": false, \"b\": \"" + pad + "\"}"), false);
    // Group, node and device ids are single topic levels.
    EXPECT_TRUE(valid_topic_id("rig-7.north"));
    for (const char* bad : {"", "a/b", "rig+", "#"})
        EXPECT_FALSE(valid_topic_id(bad)) << bad;
    const topics t("G", "N", "D");
    EXPECT_EQ(t.nbirth, "spBv1.0/G/NBIRTH/N");
    EXPECT_EQ(t.ndeath, "spBv1.0/G/NDEATH/N");
    EXPECT_EQ(t.ncmd, "spBv1.0/G/NCMD/N");
    EXPECT_EQ(t.dbirth, "spBv1.0/G/DBIRTH/N/D");
    EXPECT_EQ(t.ddata, "spBv1.0/G/DDATA/N/D");
    EXPECT_EQ(t.ddeath, "spBv1.0/G/DDEATH/N/D");
    EXPECT_EQ(t.receipt, "borevane/receipt/G/N"); // outside the Sparkplug namespace, one per node
}

TEST(ReportByException, DeadbandsSourceChangesAndNoValueWhileNotLive) {
    metric_settings settings = default_metric_settings();
    settings[0].deadband = 0.5;
    settings[4].enabled = false;
    exception_filter filter(settings);
    filter.reset(live_reading(1, 100));
    auto r = live_reading(2, 100.5f); // within the deadband; the rest unchanged
    r.age_s = 0.25f;
    auto m = filter.next(r);
    EXPECT_EQ(std::count(m.begin(), m.end(), true), 0);
    r = live_reading(3, 100.6f);
    r.values[1] = 2.001f; // deadband 0: any change
    r.values[4] = 99;     // disabled: never
    m = filter.next(r);
    EXPECT_TRUE(m[0] && m[1] && !m[2] && !m[4] && !m[source_metric]);
    reading stale = r;
    stale.from = source::stale;
    stale.age_s = 9;
    m = filter.next(stale);
    EXPECT_TRUE(m[age_metric] && m[source_metric]);
    EXPECT_EQ(std::count(m.begin(), m.begin() + value_count, true), 0);
    m = filter.next(stale);
    EXPECT_EQ(std::count(m.begin(), m.end(), true), 0);
    m = filter.next(live_reading(4, 100.6f)); // live again: every enabled value, though none changed
    EXPECT_EQ(std::count(m.begin(), m.begin() + value_count, true), 5);
    auto nan = live_reading(5, std::nanf(""));
    EXPECT_TRUE(filter.next(nan)[0]);
    EXPECT_FALSE(filter.next(nan)[0]);

    // By default a fresh file's age goes only when it moved by more than a second from what was last sent.
    const metric_settings defaults = default_metric_settings();
    exception_filter by_default(defaults);
    by_default.reset(live_reading(6, 1)); // age 0.25
    auto aged = live_reading(7, 1);
    aged.age_s = 1.25f;
    EXPECT_FALSE(by_default.next(aged)[age_metric]);
    aged.age_s = 1.5f;
    EXPECT_TRUE(by_default.next(aged)[age_metric]);

    // A still rig: readings that change nothing send their age as a keep-alive two seconds after the last report,
    // the source instead where the age is not published.
    for (const bool age_enabled : {true, false}) {
        metric_settings still = default_metric_settings();
        still[age_metric].enabled = age_enabled;
        exception_filter quiet(still);
        quiet.reset(live_reading(10000, 1));
        const std::size_t keepalive = age_enabled ? age_metric : source_metric;
        for (const std::int64_t t : {11000, 11999}) {
            const auto none = quiet.next(live_reading(t, 1));
            EXPECT_EQ(std::count(none.begin(), none.end(), true), 0) << t;
        }
        EXPECT_TRUE(quiet.next(live_reading(12000, 1))[keepalive]) << age_enabled;
        EXPECT_FALSE(quiet.next(live_reading(13999, 1))[keepalive]) << "counted from the last report";
        EXPECT_EQ(quiet.next(live_reading(14000, 1)), [&] {
            exception_filter::mask only{};
            only[keepalive] = true;
            return only;
        }()) << age_enabled;
    }
}

TEST(ReadingQueue, OldestFirstRemovedOnlyWhenAcknowledgedAndKeptAcrossReopen) {
    bv_test::scratch_dir dir;
    const std::string path = dir.file("queue.db");
    {
        reading_queue q(path, 7);
        ASSERT_EQ(q.error(), "");
        for (int i = 1; i <= 10; ++i)
            EXPECT_EQ(q.append(live_reading(i * 1000, float(i))), i);
        reading missing;
        missing.time_ms = 11000;
        EXPECT_EQ(q.append(missing), 11);
        q.remove({2, 3, 4, 7});
        q.store("bdSeq", 17);
    }
    reading_queue q(path, 7);
    EXPECT_EQ(q.count(), 7);
    EXPECT_EQ(q.stored("bdSeq"), 17);
    EXPECT_EQ(q.stored("other"), std::nullopt);
    const auto rows = q.oldest(1, 11, 100);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].id, 5);
    EXPECT_EQ(rows[0].value.values[0], 5.0f);
    EXPECT_EQ(rows[0].value.age_s, 0.25f);
    EXPECT_EQ(rows.back().value.from, source::missing);
    EXPECT_FALSE(rows.back().value.age_s);
    EXPECT_EQ(q.oldest(0, 8, 2).size(), 2u);
}

TEST(ReadingQueue, BoundedByAgeDroppingTheOldestCounted) {
    bv_test::scratch_dir dir;
    reading_queue q(dir.file("queue.db"), 1.0 / 24); // an hour
    std::vector<std::string> logged;
    q.on_log = [&](const std::string& line) { logged.push_back(line); };
    for (int s = 0; s < 5000; ++s)
        q.append(live_reading(std::int64_t(s) * 1000, float(s)));
    EXPECT_EQ(q.dropped(), 5000u - 3601u);
    EXPECT_EQ(q.count(), 3601);
    EXPECT_EQ(q.oldest(0, 1 << 30, 1).at(0).value.values[0], 5000.0f - 3601.0f);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0], "queue full: readings older than 0.04 days dropped, 1 so far");
}

TEST(ReadingQueue, WaitsForAnotherConnectionsWriteInsteadOfLosingTheReading) {
    bv_test::scratch_dir dir;
    const std::string path = dir.file("queue.db");
    reading_queue q(path, 7);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(q.append(live_reading(1000, 1)), 1) << q.error();
    release.join();
    sqlite3_close(other);
}

TEST(EdgeSettings, MetricsMqttAndQueueWithLineNumberedErrors) {
    bv_test::scratch_dir dir;
    const std::string path = dir.file("edge.ini");
    bv_test::write_file(path, "; units\n[hook load]\nfactor = 0.980665\nunit = kdaN\ndeadband=0.5\n[Reading Age]\n"
                              "enabled = no\n[mqtt]\nprimary_host = scada\n[queue]\nmax_days = 2\n");
    const auto good = load_edge_settings(path, true);
    ASSERT_TRUE(good.settings) << good.error;
    EXPECT_EQ(good.settings->metrics[2].factor, 0.980665);
    EXPECT_EQ(good.settings->metrics[2].unit, "kdaN");
    EXPECT_EQ(good.settings->metrics[2].deadband, 0.5);
    EXPECT_FALSE(good.settings->metrics[age_metric].enabled);
    EXPECT_EQ(good.settings->mqtt.primary_host, "scada");
    EXPECT_EQ(good.settings->queue.max_days, 2);
    for (const auto& [text, error] : std::vector<std::pair<std::string, std::string>>{
             {"[Hook Load]\nfactor = 0,98\n", ":2: factor takes a number such as 0.980665: factor = 0,98"},
             {"[Reading Age]\nfactor = 2\n", ":2: unknown setting (deadband, enabled, unit)"},
             {"[Bit Depth]\ndeadband = -1\n", ":2: deadband takes a number of 0 or more"},
             {"[queue]\nbatch = 1.5\n", ":2: batch takes a whole number"},
             {"[Source]\n", ":1: unknown section"},
             {"[mqtt]\n[MQTT]\n", ":2: section given twice"}}) {
        bv_test::write_file(path, text);
        const auto r = load_edge_settings(path, true);
        EXPECT_FALSE(r.settings) << text;
        EXPECT_NE(r.error.find(path + error), std::string::npos) << r.error;
    }
}

TEST(EdgeSettings, PasswordFileOnlyWhenPrivate) {
    bv_test::scratch_dir dir;
    const std::string path = dir.file("password");
    bv_test::write_file(path, "s3cret\r\nignored\n");
    std::string error;
    ::chmod(path.c_str(), 0644);
    EXPECT_FALSE(read_password_file(path, error));
    EXPECT_NE(error.find("chmod 600"), std::string::npos);
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(read_password_file(path, error), "s3cret");
    EXPECT_FALSE(read_password_file(dir.file("none"), error));
}
