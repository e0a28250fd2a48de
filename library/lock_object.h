#pragma once
// A lock with two faces: given a name, a mutex shared system-wide by every process that uses
// the name; given none, a lock private to this process. Both are recursive for the owning thread.

#include <memory>
#include <mutex>

namespace os {
class named_mutex;
}

namespace lib {

class lock_object {
public:
    explicit lock_object(const char* name = nullptr);
    ~lock_object();

    lock_object(const lock_object&) = delete;
    lock_object& operator=(const lock_object&) = delete;

    // Waits without limit.
    void lock();
    void unlock();

private:
    bool kind; // true: process-local section, false: named mutex
    std::unique_ptr<os::named_mutex> lo_mutex;
    std::recursive_mutex section;
};

// Holds a lock_object for the lifetime of the guard, also when the scope is left by an exception.
class Locker {
public:
    explicit Locker(lock_object* obj);
    ~Locker();

    Locker(const Locker&) = delete;
    Locker& operator=(const Locker&) = delete;

private:
    lock_object* obj;
};

} // namespace lib
