// The module's own loop as a process: how soon after exec its first connection reaches the station, and its
// share of a core while it works (one answer a second, Borevane.bin rewritten durably each time). Beside it the
// same for a plain client written here that does the same durable write with the same lock, which is about
// the least the work can cost on this machine.
//
// It listens on the station's fixed port 127.0.0.1:8001, so run it in a network namespace of its own:
//   unshare -rn sh -c 'ip link set lo up && build/bench/bench_module_loop build/app/Borevane [STARTS] [SECONDS]'
#include "acquisition/core/output_file.h"
#include "library/lock_object.h"
#include "os/atomic_file.h"
#include "tools/simulator/station_answer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

namespace {

const std::string request(station_request, sizeof station_request);

int station_listener() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(8001);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd, 4) != 0) {
        std::perror("bench_module_loop: cannot listen on 127.0.0.1:8001 (run it in a network namespace of its own)");
        std::exit(1);
    }
    return fd;
}

// Waits up to `ms` for a connection; -1 without one.
int accept_within(int listener, int ms) {
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, ms) != 1)
        return -1;
    return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

// A process of its own with a scratch home, runtime and configuration directory, on Qt's offscreen platform.
pid_t spawn(const std::vector<std::string>& argv, const fs::path& home) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, 1);
    ::dup2(quiet, 2);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

void end(pid_t pid) {
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// CPU time of a process so far, in seconds: the scheduler's nanoseconds where the kernel keeps them.
double cpu_seconds(pid_t pid) {
    std::ifstream sched("/proc/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    if (sched >> ns)
        return ns / 1e9;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i)
        if (i >= 14)
            ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Answers every request on the connection with the simulator's values until `seconds` have passed.
int serve(int connection, double seconds) {
    const auto start = clock_type::now();
    std::string pending;
    int answers = 0;
    for (;;) {
        const double elapsed = std::chrono::duration<double>(clock_type::now() - start).count();
        if (elapsed >= seconds)
            return answers;
        pollfd p{connection, POLLIN, 0};
        if (::poll(&p, 1, 100) != 1)
            continue;
        char buffer[256];
        const ssize_t n = ::read(connection, buffer, sizeof buffer);
        if (n <= 0)
            return answers;
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t at; (at = pending.find(request)) != std::string::npos;) {
            pending.erase(0, at + request.size());
            const std::string answer = tools::build_answer(tools::station_values(elapsed), {});
            if (::send(connection, answer.data(), answer.size(), MSG_NOSIGNAL) < 0)
                return answers;
            ++answers;
        }
    }
}

// The plain client: connects at once, then once a second asks, reads the whole answer and replaces the file
// under the same lock, with the same durable replacement.
int plain_client(const char* bin_path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(8001);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0)
        return 1;
    lib::lock_object file_lock(output_file_name);
    for (;;) {
        if (::send(fd, station_request, sizeof station_request, MSG_NOSIGNAL) < 0)
            return 0;
        std::string answer;
        std::size_t whole = frame_header_size;
        while (answer.size() < whole) {
            char buffer[4096];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                return 0;
            answer.append(buffer, static_cast<std::size_t>(n));
            if (answer.size() >= frame_header_size) {
                std::uint32_t length = 0;
                for (int b = 0; b < 4; ++b)
                    length |= static_cast<std::uint32_t>(static_cast<unsigned char>(answer[1 + b])) << (8 * b);
                whole = frame_header_size + length;
            }
        }
        const unsigned char bytes[24] = {};
        {
            lib::Locker hold(&file_lock);
            os::replace_file_atomically(bin_path, bytes, sizeof bytes);
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

struct figures {
    std::vector<double> first_connection_ms;
    double cpu_share = 0;
    int answers = 0;
};

figures measure(const std::vector<std::string>& argv, const fs::path& scratch, int listener, int starts,
                double seconds) {
    figures out;
    for (int i = 0; i <= starts; ++i) {
        const auto t0 = clock_type::now();
        const pid_t pid = spawn(argv, scratch);
        const int connection = accept_within(listener, 5000);
        const double ms = std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
        if (connection < 0) {
            std::fprintf(stderr, "bench_module_loop: %s did not connect within 5 s\n", argv[0].c_str());
            end(pid);
            std::exit(1);
        }
        if (i > 0) // the first start warms the page cache and is not counted
            out.first_connection_ms.push_back(ms);
        if (i == starts) {
            serve(connection, 3); // settled: the first answers, the window shown
            const double before = cpu_seconds(pid);
            out.answers = serve(connection, seconds);
            out.cpu_share = (cpu_seconds(pid) - before) / seconds * 100;
        }
        end(pid);
        ::close(connection);
    }
    std::sort(out.first_connection_ms.begin(), out.first_connection_ms.end());
    return out;
}

void print(const char* what, const figures& f, double seconds) {
    const auto& ms = f.first_connection_ms;
    std::printf("%-16s first connection after exec: min %6.1f ms, median %6.1f ms, max %6.1f ms (%zu starts)\n", what,
                ms.front(), ms[ms.size() / 2], ms.back(), ms.size());
    std::printf("%-16s while working: %5.3f %% of a core over %.0f s, %d answers\n", what, f.cpu_share, seconds,
                f.answers);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--plain-client")
        return plain_client(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [STARTS] [SECONDS]\n", argv[0]);
        return 2;
    }
    const int starts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const double seconds = argc > 3 ? std::max(5, std::atoi(argv[3])) : 60;
    const int listener = station_listener();

    char pattern[] = "/tmp/bench_module_loop.XXXXXX";
    const fs::path scratch = ::mkdtemp(pattern);
    for (const char* dir : {"config", "data", "run", "bin"})
        fs::create_directories(scratch / dir);
    fs::permissions(scratch / "run", fs::perms::owner_all);
    // A copy in a directory of its own keeps its files beside it, as in the build tree.
    const fs::path program = scratch / "bin" / "Borevane";
    fs::copy_file(argv[1], program);

    const fs::path self = fs::read_symlink("/proc/self/exe");
    const figures module = measure({program.string()}, scratch, listener, starts, seconds);
    const figures plain = measure({self.string(), "--plain-client", (scratch / "plain.bin").string()}, scratch,
                                  listener, starts, seconds);
    print("module", module, seconds);
    print("plain client", plain, seconds);
    fs::remove_all(scratch);
    return 0;
}
