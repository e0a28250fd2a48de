#include "tools/sparkplug/reading_queue.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cmath>

namespace sparkplug {
namespace {

// The six values as the file holds them: little-endian 32-bit floats, 24 bytes a reading.
void pack(const std::array<float, 6>& values, unsigned char* out) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto bits = std::bit_cast<std::uint32_t>(values[i]);
        for (int b = 0; b < 4; ++b)
            out[4 * i + b] = static_cast<unsigned char>(bits >> (8 * b));
    }
}

std::array<float, 6> unpack(const unsigned char* in) {
    std::array<float, 6> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint32_t bits = 0;
        for (int b = 3; b >= 0; --b)
            bits = (bits << 8) | in[4 * i + b];
        values[i] = std::bit_cast<float>(bits);
    }
    return values;
}

// Deletes in slices of this many rows, so that trimming a long-stopped clock's backlog never stalls a second.
constexpr int trim_slice = 1000;

} // namespace

reading_queue::reading_queue(const std::string& path, double max_days)
    : keep_ms_(static_cast<std::int64_t>(max_days * 86400.0 * 1000.0)) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        error_ = path + ": " + (db_ ? sqlite3_errmsg(db_) : "cannot be opened");
        return;
    }
    sqlite3_busy_timeout(db_, 2000);
    // FULL: each reading's commit reaches the disk, so a power cut takes at most the one being written.
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=FULL") ||
        !exec("CREATE TABLE IF NOT EXISTS readings (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, "
              "source INTEGER NOT NULL, age_ms INTEGER, vals BLOB)") ||
        !exec("CREATE TABLE IF NOT EXISTS node (key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID"))
        return;
    insert_ = prepare("INSERT INTO readings (time, source, age_ms, vals) VALUES (?, ?, ?, ?)");
    select_ =
        prepare("SELECT id, time, source, age_ms, vals FROM readings WHERE id > ? AND id <= ? ORDER BY id LIMIT ?");
    delete_ = prepare("DELETE FROM readings WHERE id BETWEEN ? AND ?");
    first_ = prepare("SELECT time FROM readings ORDER BY id LIMIT 1");
    trim_ = prepare("DELETE FROM readings WHERE id IN (SELECT id FROM readings ORDER BY id LIMIT ?) AND time < ?");
    if (!error_.empty())
        return;
    if (sqlite3_db_readonly(db_, "main") == 1)
        error_ = path + ": read-only";
}

reading_queue::~reading_queue() {
    for (auto* s : statements_)
        sqlite3_finalize(s);
    sqlite3_close(db_);
}

sqlite3_stmt* reading_queue::prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
        error_ = sqlite3_errmsg(db_);
        return nullptr;
    }
    statements_.push_back(s);
    return s;
}

bool reading_queue::exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error_ = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return false;
}

std::int64_t reading_queue::append(const reading& r) {
    if (!insert_)
        return 0;
    sqlite3_bind_int64(insert_, 1, r.time_ms);
    sqlite3_bind_int(insert_, 2, static_cast<int>(r.from));
    if (r.age_s && std::isfinite(*r.age_s))
        sqlite3_bind_int64(insert_, 3, std::llround(double(*r.age_s) * 1000.0));
    else
        sqlite3_bind_null(insert_, 3);
    unsigned char packed[24];
    if (r.live()) {
        pack(r.values, packed);
        sqlite3_bind_blob(insert_, 4, packed, sizeof packed, SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_null(insert_, 4);
    }
    const int rc = sqlite3_step(insert_);
    sqlite3_reset(insert_);
    if (rc != SQLITE_DONE) {
        error_ = sqlite3_errmsg(db_);
        return 0;
    }
    error_.clear();
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    trim(r.time_ms);
    return id;
}

void reading_queue::trim(std::int64_t newest_ms) {
    const std::int64_t bound = newest_ms - keep_ms_;
    std::uint64_t gone = 0;
    for (;;) {
        const bool over = sqlite3_step(first_) == SQLITE_ROW && sqlite3_column_int64(first_, 0) < bound;
        sqlite3_reset(first_);
        if (!over)
            break;
        sqlite3_bind_int(trim_, 1, trim_slice);
        sqlite3_bind_int64(trim_, 2, bound);
        sqlite3_step(trim_);
        sqlite3_reset(trim_);
        const int changes = sqlite3_changes(db_);
        gone += static_cast<std::uint64_t>(changes);
        if (changes < trim_slice)
            break;
    }
    if (gone == 0)
        return;
    // Logged when dropping begins and then once an hour's worth of readings later, not every second.
    const bool first = dropped_ == 0;
    const std::uint64_t before = dropped_ / 3600;
    dropped_ += gone;
    if (on_log && (first || dropped_ / 3600 != before))
        on_log("queue full: readings older than " + std::to_string(keep_ms_ / 86400000.0).substr(0, 4) +
               " days dropped, " + std::to_string(dropped_) + " so far");
}

std::vector<queued_reading> reading_queue::oldest(std::int64_t after_id, std::int64_t up_to_id, std::size_t limit) {
    std::vector<queued_reading> out;
    if (!select_)
        return out;
    sqlite3_bind_int64(select_, 1, after_id);
    sqlite3_bind_int64(select_, 2, up_to_id);
    sqlite3_bind_int64(select_, 3, static_cast<std::int64_t>(limit));
    while (sqlite3_step(select_) == SQLITE_ROW) {
        queued_reading q;
        q.id = sqlite3_column_int64(select_, 0);
        q.value.time_ms = sqlite3_column_int64(select_, 1);
        q.value.from = static_cast<source>(sqlite3_column_int(select_, 2));
        if (sqlite3_column_type(select_, 3) != SQLITE_NULL)
            q.value.age_s = static_cast<float>(sqlite3_column_int64(select_, 3) / 1000.0);
        if (sqlite3_column_bytes(select_, 4) == 24)
            q.value.values = unpack(static_cast<const unsigned char*>(sqlite3_column_blob(select_, 4)));
        out.push_back(q);
    }
    sqlite3_reset(select_);
    return out;
}

void reading_queue::remove(std::vector<std::int64_t> ids) {
    if (ids.empty() || !delete_)
        return;
    std::sort(ids.begin(), ids.end());
    exec("BEGIN");
    // Consecutive ids go in one range each: a batch of a thousand readings is one statement.
    for (std::size_t i = 0; i < ids.size();) {
        std::size_t j = i;
        while (j + 1 < ids.size() && ids[j + 1] <= ids[j] + 1)
            ++j;
        sqlite3_bind_int64(delete_, 1, ids[i]);
        sqlite3_bind_int64(delete_, 2, ids[j]);
        sqlite3_step(delete_);
        sqlite3_reset(delete_);
        i = j + 1;
    }
    exec("COMMIT");
}

std::int64_t reading_queue::count() {
    sqlite3_stmt* s = nullptr;
    std::int64_t n = 0;
    if (sqlite3_prepare_v2(db_, "SELECT count(*) FROM readings", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
        n = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return n;
}

std::int64_t reading_queue::last_id() {
    sqlite3_stmt* s = nullptr;
    std::int64_t n = 0;
    if (sqlite3_prepare_v2(db_, "SELECT max(id) FROM readings", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
        n = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return n;
}

std::optional<std::int64_t> reading_queue::stored(const std::string& key) {
    sqlite3_stmt* s = nullptr;
    std::optional<std::int64_t> value;
    if (sqlite3_prepare_v2(db_, "SELECT value FROM node WHERE key = ?", -1, &s, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(s, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(s) == SQLITE_ROW)
            value = sqlite3_column_int64(s, 0);
    }
    sqlite3_finalize(s);
    return value;
}

void reading_queue::store(const std::string& key, std::int64_t value) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO node (key, value) VALUES (?, ?)", -1, &s, nullptr) ==
        SQLITE_OK) {
        sqlite3_bind_text(s, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(s, 2, value);
        if (sqlite3_step(s) != SQLITE_DONE)
            error_ = sqlite3_errmsg(db_);
    }
    sqlite3_finalize(s);
}

} // namespace sparkplug
