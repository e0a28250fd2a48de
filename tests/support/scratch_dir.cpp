#include "tests/support/scratch_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace bv_test {

namespace fs = std::filesystem;

scratch_dir::scratch_dir() {
    static int serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / ("bv-test-" + std::to_string(std::random_device{}()) +
                                                                "-" + std::to_string(serial++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch directory");
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string scratch_dir::file(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

std::size_t scratch_dir::entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

#ifndef _WIN32
bool as_plain_user(const std::string& dir, const std::function<bool()>& body) {
    if (::geteuid() != 0)
        return body();
    constexpr uid_t nobody = 65534;
    if (::chown(dir.c_str(), nobody, nobody) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool ok = ::setgid(nobody) == 0 && ::setuid(nobody) == 0 && body();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

file_size_limit::file_size_limit(unsigned long bytes) : old_handler(std::signal(SIGXFSZ, SIG_IGN)) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    old_soft_limit = limit.rlim_cur;
    limit.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        throw std::runtime_error("cannot lower the file size limit");
}

file_size_limit::~file_size_limit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = old_soft_limit;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, old_handler);
}
#endif

} // namespace bv_test
