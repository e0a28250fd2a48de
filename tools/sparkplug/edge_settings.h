#pragma once
// The edge node's settings file, in the form every tool beside the module uses (see library/settings_file.h):
//
//   [Hook Load]            ; one section per device metric, named as the metric
//   factor = 0.980665      ; published value = file value × factor + offset
//   offset = 0
//   deadband = 0.5         ; changes up to this are not reported (0: any change)
//   enabled = yes
//   unit = kdaN            ; the metric's engUnit property
//   [Reading Age]          ; deadband, enabled, unit
//   [mqtt]
//   username = rig7
//   password_file = /home/crew/.config/Kalvemark/mqtt.password   ; readable only by the user
//   ca_file = /etc/ssl/company-ca.pem                              ; with ssl:// brokers
//   primary_host = scada-1                                          ; wait for its STATE online before births
//   [queue]
//   max_days = 7           ; readings older than this are dropped, counted and logged
//   backlog_rate = 2000    ; queued readings sent a second at most, after a link outage
//   batch = 100            ; queued readings per data message

#include "tools/sparkplug/edge_reading.h"
#include "tools/sparkplug/mqtt_settings.h"

#include <optional>
#include <string>

namespace sparkplug {

struct queue_settings {
    double max_days = 7;
    long backlog_rate = 2000;
    long batch = 100;
};

struct edge_settings {
    metric_settings metrics = default_metric_settings();
    mqtt_settings mqtt;
    queue_settings queue;
};

struct edge_settings_result {
    std::optional<edge_settings> settings;
    std::string error; // "<file>:<line>: <what is wrong>: <line>" or why the file cannot be read
};

edge_settings_result load_edge_settings(const std::string& path, bool must_exist);

// ${XDG_CONFIG_HOME:-~/.config}/Kalvemark/borevane_sparkplug.ini; empty when the user has no home.
std::string default_edge_settings_path();

} // namespace sparkplug
