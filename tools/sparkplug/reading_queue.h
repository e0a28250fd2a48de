#pragma once
// The store-and-forward journal of the edge node: every reading goes into an SQLite database (write-ahead log,
// each reading its own transaction synced to disk) before anything is sent, and leaves it only when the broker
// has acknowledged what carried it. A kill or a power cut loses at most the reading being written; a reading
// whose acknowledgement was lost is sent again, never lost. Bounded by age: readings more than `max_days`
// older than the newest are dropped, oldest first, counted and logged. The node's bdSeq lives here too, so
// one file holds everything that must survive a restart.

#include "tools/sparkplug/edge_reading.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sparkplug {

struct queued_reading {
    std::int64_t id = 0; // increasing in the order the readings were taken
    reading value;
};

class reading_queue {
public:
    reading_queue(const std::string& path, double max_days);
    ~reading_queue();
    reading_queue(const reading_queue&) = delete;
    reading_queue& operator=(const reading_queue&) = delete;

    // Empty when the database is open and usable, else why not.
    const std::string& error() const { return error_; }

    // Journals `r` and gives its id (0 when the write failed: `error()` says why).
    std::int64_t append(const reading& r);
    // Up to `limit` readings with after_id < id <= up_to_id, oldest first.
    std::vector<queued_reading> oldest(std::int64_t after_id, std::int64_t up_to_id, std::size_t limit);
    // Removes the readings with these ids (acknowledged), in one transaction.
    void remove(std::vector<std::int64_t> ids);
    std::int64_t count();
    std::int64_t last_id();
    // Readings dropped beyond the bound since the queue was opened.
    std::uint64_t dropped() const { return dropped_; }

    // A number kept beside the readings (the node's bdSeq).
    std::optional<std::int64_t> stored(const std::string& key);
    void store(const std::string& key, std::int64_t value);

    std::function<void(const std::string&)> on_log;

private:
    sqlite3_stmt* prepare(const char* sql);
    bool exec(const char* sql);
    void trim(std::int64_t newest_ms);

    sqlite3* db_ = nullptr;
    std::string error_;
    std::int64_t keep_ms_;
    std::uint64_t dropped_ = 0;
    std::vector<sqlite3_stmt*> statements_;
    sqlite3_stmt *insert_ = nullptr, *select_ = nullptr, *delete_ = nullptr, *first_ = nullptr, *trim_ = nullptr;
};

} // namespace sparkplug
