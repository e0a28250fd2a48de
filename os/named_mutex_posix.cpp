#include "os/named_mutex.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// The mutex is an flock on a lock file. flock alone belongs to an open file, not to a thread,
// and is not recursive; the per-process state below adds the thread ownership and the
// recursion, and makes all instances of one name in this process share one lock file.

namespace os {

namespace {

// Keeps a name that may hold any byte usable as one file name component.
std::string file_name_for(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c == '/' || c == '%' || c < 0x20 || c == 0x7F) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool is_directory(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Opens the lock file without following links, and accepts only a regular file of this user,
// so that nobody can point the lock at another file or hold it through a file of their own.
int open_lock_file(const std::string& path, bool& existed) {
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW;
    int fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0600);
    existed = fd < 0 && errno == EEXIST;
    if (existed)
        fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string lock_file_path(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && is_directory(runtime))
        return std::string(runtime) + "/" + file_name_for(name) + ".lock";
    return "/tmp/" + file_name_for(name) + "." + std::to_string(::geteuid()) + ".lock";
}

struct named_mutex::state {
    std::string path;
    int fd = -1;
    std::mutex guard;
    std::condition_variable released;
    bool busy = false; // a thread of this process holds the flock or is waiting for it
    std::thread::id owner;
    unsigned depth = 0;

    ~state() {
        if (fd >= 0)
            ::close(fd);
    }

    // Blocks until this process holds the flock. Someone may have removed or replaced the
    // lock file since it was opened; a lock on the old file would exclude nobody, so the
    // file is reopened until the locked file is the one at the path.
    void acquire_file_lock() {
        for (;;) {
            while (::flock(fd, LOCK_EX) != 0) {
                if (errno != EINTR)
                    return; // cannot happen with a valid descriptor; the lock then stays advisory only
            }
            struct stat held {
            }, current{};
            if (::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &current) == 0 && held.st_dev == current.st_dev &&
                held.st_ino == current.st_ino)
                return;
            bool existed = false;
            const int fresh = open_lock_file(path, existed);
            if (fresh < 0)
                return; // keep the lock we have rather than none
            ::close(fd);
            fd = fresh;
        }
    }
};

namespace {

std::mutex registry_guard;

// One state per lock file among the live instances of this process.
std::map<std::string, std::weak_ptr<named_mutex::state>>& registry() {
    static std::map<std::string, std::weak_ptr<named_mutex::state>> map;
    return map;
}

} // namespace

named_mutex::named_mutex(std::shared_ptr<state> s, bool existed) : state_(std::move(s)), existed_(existed) {}

named_mutex::~named_mutex() {
    std::lock_guard<std::mutex> lock(registry_guard);
    const std::string path = state_->path;
    state_.reset();
    auto it = registry().find(path);
    if (it != registry().end() && it->second.expired())
        registry().erase(it);
}

std::unique_ptr<named_mutex> named_mutex::open(const std::string& name) {
    const std::string path = lock_file_path(name);
    std::lock_guard<std::mutex> lock(registry_guard);
    if (auto shared = registry()[path].lock())
        return std::unique_ptr<named_mutex>(new named_mutex(shared, true));
    bool existed = false;
    const int fd = open_lock_file(path, existed);
    if (fd < 0) {
        registry().erase(path);
        return nullptr;
    }
    auto fresh = std::make_shared<state>();
    fresh->path = path;
    fresh->fd = fd;
    registry()[path] = fresh;
    return std::unique_ptr<named_mutex>(new named_mutex(fresh, existed));
}

void named_mutex::lock() {
    state& s = *state_;
    std::unique_lock<std::mutex> lock(s.guard);
    const auto me = std::this_thread::get_id();
    if (s.busy && s.owner == me) {
        ++s.depth;
        return;
    }
    s.released.wait(lock, [&] { return !s.busy; });
    s.busy = true;
    lock.unlock();
    s.acquire_file_lock();
    lock.lock();
    s.owner = me;
    s.depth = 1;
}

void named_mutex::unlock() {
    state& s = *state_;
    std::lock_guard<std::mutex> lock(s.guard);
    if (!s.busy || s.owner != std::this_thread::get_id() || s.depth == 0)
        return;
    if (--s.depth > 0)
        return;
    ::flock(s.fd, LOCK_UN);
    s.owner = std::thread::id();
    s.busy = false;
    s.released.notify_one();
}

} // namespace os
