#include "os/named_mutex.h"

#include <windows.h>

namespace os {

struct named_mutex::state {
    HANDLE handle = nullptr;
    ~state() {
        if (handle)
            CloseHandle(handle);
    }
};

named_mutex::named_mutex(std::shared_ptr<state> s, bool existed) : state_(std::move(s)), existed_(existed) {}

named_mutex::~named_mutex() = default;

std::unique_ptr<named_mutex> named_mutex::open(const std::string& name) {
    auto s = std::make_shared<state>();
    s->handle = CreateMutexA(nullptr, FALSE, name.c_str());
    const bool existed = s->handle == nullptr || GetLastError() == ERROR_ALREADY_EXISTS;
    if (existed) {
        // Another process made it, perhaps under other security: ask only for what waiting
        // and releasing need. The handle from the create call stays the fallback.
        if (HANDLE opened = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str())) {
            if (s->handle)
                CloseHandle(s->handle);
            s->handle = opened;
        }
    }
    if (!s->handle)
        return nullptr;
    return std::unique_ptr<named_mutex>(new named_mutex(std::move(s), existed));
}

void named_mutex::lock() {
    // WAIT_ABANDONED also hands over ownership: the holder died, the mutex is ours.
    WaitForSingleObject(state_->handle, INFINITE);
}

void named_mutex::unlock() {
    ReleaseMutex(state_->handle);
}

} // namespace os
