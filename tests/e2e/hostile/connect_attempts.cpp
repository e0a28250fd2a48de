#include "tests/e2e/hostile/connect_attempts.h"

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace hostile {

std::vector<std::uint64_t> pending_attempts(const std::string& ipv4, int port) {
    in_addr address{};
    ::inet_pton(AF_INET, ipv4.c_str(), &address);
    // The kernel prints the address as the 32-bit word in host order, the port as 4 hex digits.
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, "%08X:%04X", address.s_addr, port);
    std::vector<std::uint64_t> inodes;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line); // the header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
        std::uint64_t inode = 0;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
        if (remote == wanted && state == "02")
            inodes.push_back(inode);
    }
    return inodes;
}

full_listener::full_listener(const std::string& address, int port) {
    sockaddr_storage where{};
    socklen_t size = sizeof(sockaddr_in);
    auto* v4 = reinterpret_cast<sockaddr_in*>(&where);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&where);
    if (::inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
    } else if (::inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        size = sizeof(sockaddr_in6);
    } else {
        throw std::runtime_error("not an address: " + address);
    }
    const int listener = ::socket(where.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    fds.push_back(listener);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&where), size) != 0 || ::listen(listener, 0) != 0)
        throw std::runtime_error("cannot listen on " + address);
    // A backlog of 0 holds one connection; the second waits half-open; every SYN after them is dropped.
    for (int i = 0; i < 2; ++i) {
        fds.push_back(::socket(where.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(fds.back(), reinterpret_cast<sockaddr*>(&where), size);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

full_listener::~full_listener() {
    for (int fd : fds)
        ::close(fd);
}

} // namespace hostile
