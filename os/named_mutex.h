#pragma once
// A mutex shared by every process of the user that opens it under the same name.
// Ownership belongs to the locking thread and is recursive; a holder that dies releases it.

#include <memory>
#include <string>

namespace os {

#ifndef _WIN32
// The lock file that stands for the mutex `name`: in $XDG_RUNTIME_DIR when that is a directory,
// else a per-user file in /tmp. Every program that shares the mutex finds the file through here.
std::string lock_file_path(const std::string& name);
#endif

class named_mutex {
public:
    // Creates the mutex, or opens it when another instance or process already has it.
    // Returns null when neither is possible.
    static std::unique_ptr<named_mutex> open(const std::string& name);
    ~named_mutex();

    named_mutex(const named_mutex&) = delete;
    named_mutex& operator=(const named_mutex&) = delete;

    // Waits without limit. A mutex left behind by a dead holder counts as acquired.
    void lock();
    // Only the owning thread releases; from any other thread it does nothing.
    void unlock();

    // True when the mutex existed before this instance opened it.
    bool opened_existing() const { return existed_; }

    struct state; // the platform's part

private:
    named_mutex(std::shared_ptr<state> s, bool existed);

    std::shared_ptr<state> state_;
    bool existed_;
};

} // namespace os
