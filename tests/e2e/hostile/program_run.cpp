#include "tests/e2e/hostile/program_run.h"

#include "tests/e2e/hostile/case_clock.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hostile {
namespace fs = std::filesystem;

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::array<float, 6> decode(const unsigned char* bytes) {
    std::array<float, 6> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint32_t bits = 0;
        for (int b = 3; b >= 0; --b)
            bits = bits << 8 | bytes[i * 4 + b];
        std::memcpy(&values[i], &bits, sizeof bits);
    }
    return values;
}

} // namespace

program_run::program_run(const std::string& program, const std::string& work_dir, const std::string& remote_name) {
    const fs::path root = work_dir;
    bin_dir = root / "bin";
    home = root / "home";
    config = root / "config";
    runtime = root / "run";
    for (const auto& dir : {bin_dir, home, config, runtime})
        fs::create_directories(dir);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    exe = (fs::path(bin_dir) / "Borevane").string();
    fs::copy_file(program, exe, fs::copy_options::overwrite_existing);
    log = (root / "program.log").string();
    if (!remote_name.empty())
        std::ofstream(fs::path(bin_dir) / "Borevane.ini") << "[main]\nremote_name=\"" << remote_name << "\"\n";
}

program_run::~program_run() {
    if (pid > 0) {
        terminating = true;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    stopping = true;
    if (watcher.joinable())
        watcher.join();
}

void program_run::start() {
    std::vector<std::string> env_text;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "HOME" || name.starts_with("XDG_") || name.starts_with("QT_") || name == "DISPLAY" ||
            name == "WAYLAND_DISPLAY")
            continue;
        env_text.push_back(entry);
    }
    env_text.push_back("HOME=" + home);
    env_text.push_back("XDG_CONFIG_HOME=" + config);
    env_text.push_back("XDG_RUNTIME_DIR=" + runtime);
    if (x_display.empty())
        env_text.push_back("QT_QPA_PLATFORM=offscreen");
    else
        env_text.push_back("DISPLAY=" + x_display);
    std::vector<char*> envp;
    for (auto& e : env_text)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {exe.data(), nullptr};

    {
        std::lock_guard lock(mutex);
        seen.clear();
        bad_sizes = 0;
    }
    terminating = false;
    death_seen = false;
    started = elapsed();
    pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec: this process has threads.
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
            ::sigaction(s, &dfl, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        if (::chdir(bin_dir.c_str()) == 0)
            ::execve(exe.c_str(), argv, envp.data());
        ::_exit(127);
    }
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    stopping = false;
    watcher = std::thread([this] { watch(); });
}

void program_run::violation(std::string what) {
    std::lock_guard lock(mutex);
    if (problems.size() < 8)
        problems.push_back(std::move(what));
}

void program_run::watch() {
    const std::string bin = bin_dir + "/Borevane.bin";
    const pid_t child = pid;
    std::optional<std::array<unsigned char, 24>> last;
    while (!stopping) {
        if (!terminating && !death_seen) {
            siginfo_t info{};
            if (::waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == child) {
                death_seen = true;
                std::ostringstream what;
                what << "the program died at " << elapsed() - started << " s after start ("
                     << (info.si_code == CLD_EXITED ? "exit code " : "signal ") << info.si_status << ")";
                violation(what.str());
            }
        }
        struct stat st {};
        if (::stat(bin.c_str(), &st) == 0) {
            const int fd = ::open(bin.c_str(), O_RDONLY);
            std::array<unsigned char, 25> bytes{};
            ssize_t got = -1;
            struct stat opened {};
            if (fd >= 0) {
                ::fstat(fd, &opened);
                got = ::read(fd, bytes.data(), bytes.size());
                ::close(fd);
            }
            const double now = elapsed();
            if (st.st_size != 24 || (fd >= 0 && (opened.st_size != 24 || got != 24))) {
                std::lock_guard lock(mutex);
                if (bad_sizes++ == 0) {
                    first_bad_size = now - started;
                    bad_size_bytes = st.st_size != 24 ? st.st_size : opened.st_size;
                }
            } else if (got == 24) {
                std::array<unsigned char, 24> content{};
                std::memcpy(content.data(), bytes.data(), content.size());
                if (!last || *last != content) {
                    last = content;
                    std::lock_guard lock(mutex);
                    seen.push_back({now, decode(content.data())});
                }
            }
        }
        sleep_for(0.002);
    }
}

std::vector<file_sample> program_run::samples() const {
    std::lock_guard lock(mutex);
    return seen;
}

std::optional<double> program_run::wait_for(const std::function<bool(const file_sample&)>& pred, double since,
                                            double deadline) const {
    for (;;) {
        {
            std::lock_guard lock(mutex);
            for (const auto& s : seen)
                if (s.time >= since && pred(s))
                    return s.time;
        }
        if (elapsed() > deadline)
            return std::nullopt;
        sleep_for(0.005);
    }
}

std::vector<std::string> program_run::violations() const {
    std::lock_guard lock(mutex);
    std::vector<std::string> all = problems;
    if (bad_sizes > 0) {
        std::ostringstream what;
        what << "Borevane.bin was " << bad_size_bytes << " bytes at " << first_bad_size << " s after start ("
             << bad_sizes << " polls found a size but 24)";
        all.push_back(what.str());
    }
    return all;
}

exit_report program_run::terminate(double timeout) {
    exit_report r;
    if (pid <= 0)
        return r;
    terminating = true;
    const double asked = elapsed();
    ::kill(pid, SIGTERM);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            r.exited = true;
            break;
        }
        if (elapsed() - asked > timeout) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        sleep_for(0.005);
    }
    r.seconds = elapsed() - asked;
    if (WIFEXITED(status))
        r.code = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        r.signal = WTERMSIG(status);
    pid = -1;
    stopping = true;
    if (watcher.joinable())
        watcher.join();
    const std::string ini_path = bin_dir + "/Borevane.ini";
    r.ini = read_text(ini_path);
    r.ini_saved = r.ini.find("[main]") != std::string::npos && r.ini.find("remote_name=\"") != std::string::npos;
    return r;
}

void program_run::clear_files() {
    fs::remove(fs::path(bin_dir) / "Borevane.bin");
    fs::remove(fs::path(bin_dir) / "Borevane.ini");
}

} // namespace hostile
