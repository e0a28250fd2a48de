// Time from the answer being handed to the station's socket to Borevane.bin being in place.
// A station thread on loopback answers each request with the simulator's answer bytes and
// notes the time just before the send; an inotify watcher notes when the new file is renamed into
// place; the controller runs on the main thread as in the program. One sample per request,
// so about one a second.
#include "acquisition/Bvsystem.h"
#include "tools/simulator/station_answer.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using clock_type = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int samples = argc > 1 ? std::atoi(argv[1]) : 20;
    QCoreApplication app(argc, argv);
    QTemporaryDir config_home;
    qputenv("XDG_CONFIG_HOME", config_home.path().toUtf8());

    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);

    std::mutex m;
    std::vector<clock_type::time_point> sent, placed;
    std::atomic<bool> done{false};

    std::thread station([&] {
        int c = ::accept(listener, nullptr, nullptr);
        char request[5];
        const std::string frame = tools::build_answer(tools::station_values(10), {});
        while (!done && ::recv(c, request, 5, MSG_WAITALL) == 5) {
            const auto t = clock_type::now();
            ::send(c, frame.data(), frame.size(), 0);
            std::lock_guard lock(m);
            sent.push_back(t);
        }
        ::close(c);
    });

    BVSystem sys({.port = ntohs(addr.sin_port)});
    std::filesystem::remove(sys.get_bin_path());
    const std::string dir = sys.get_data_dir(); // where Borevane.bin is replaced
    int in = ::inotify_init1(IN_NONBLOCK);
    ::inotify_add_watch(in, dir.c_str(), IN_MOVED_TO);
    std::thread watcher([&] {
        alignas(inotify_event) char buf[4096];
        while (!done) {
            ssize_t n = ::read(in, buf, sizeof buf);
            if (n <= 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(50));
                continue;
            }
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                if (e->len && std::string(e->name) == "Borevane.bin") {
                    std::lock_guard lock(m);
                    placed.push_back(clock_type::now());
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
    });

    sys.options().remote_name = "127.0.0.1";
    sys.connect();
    while (true) {
        {
            std::lock_guard lock(m);
            if (static_cast<int>(placed.size()) >= samples)
                break;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    done = true;
    sys.stop();
    watcher.join();
    ::shutdown(listener, SHUT_RDWR);
    station.join();

    std::vector<double> us;
    for (std::size_t i = 0; i < placed.size() && i < sent.size(); ++i)
        us.push_back(std::chrono::duration<double, std::micro>(placed[i] - sent[i]).count());
    std::sort(us.begin(), us.end());
    auto pct = [&](double p) { return us[std::min(us.size() - 1, static_cast<std::size_t>(p * us.size()))]; };
    std::printf("answer-to-file latency over %zu answers: median %.0f us, p99 %.0f us, min %.0f us, max %.0f us\n",
                us.size(), pct(0.5), pct(0.99), us.front(), us.back());
    return 0;
}
