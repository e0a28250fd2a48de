#include "os/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace os {
namespace {

bool write_all(int fd, const void* data, std::size_t size) {
    auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at (which may not exist yet): replacing that file keeps
// the links. Too long a chain (a loop) gives the path itself, and the replacement then fails.
std::string final_target(const std::string& path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), target, sizeof target - 1);
        if (n < 0)
            return p;
        std::string t(target, static_cast<std::size_t>(n));
        p = t.front() == '/' ? t : directory_of(p) + "/" + t;
    }
    return path;
}

// Created with the mode a new file gets (0666 less the umask); an existing file's mode is set after.
int create_temporary(const std::string& path, std::string& name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = path + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The rename itself is only durable once the directory entry is on the disk.
void sync_directory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Where no temporary can be made beside the file, the file is overwritten in place: not atomic,
// but the settings can still be saved.
bool rewrite_in_place(const std::string& path, const void* data, std::size_t size, bool sync) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok =
        write_all(fd, data, size) && ::ftruncate(fd, static_cast<off_t>(size)) == 0 && (!sync || ::fsync(fd) == 0);
    return (::close(fd) == 0) && ok;
}

} // namespace

bool detail::replace_file(const std::string& path, const void* data, std::size_t size, bool sync) {
    const std::string target = final_target(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) // a loop of links, a directory that cannot be searched
        return false;
    if (exists) {
        if (!S_ISREG(old.st_mode))
            return false;
        // A file nobody may write is left alone, even by a user allowed to replace it (or root).
        if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0)
            return false;
    }

    std::string name;
    const int fd = create_temporary(target, name);
    if (fd < 0) {
        if (exists && (errno == EACCES || errno == EPERM))
            return rewrite_in_place(target, data, size, sync);
        return false;
    }
    bool ok = true;
    if (exists) {
        // Owner first (only a privileged process may change it; otherwise it is ours already),
        // then the bits, since a change of owner clears the set-id bits.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd, old.st_uid, old.st_gid);
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && write_all(fd, data, size) && (!sync || ::fsync(fd) == 0);
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(name.c_str(), target.c_str()) == 0) {
        if (sync)
            sync_directory(directory_of(target));
        return true;
    }
    ::unlink(name.c_str());
    return false;
}

} // namespace os
