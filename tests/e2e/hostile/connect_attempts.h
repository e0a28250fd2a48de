#pragma once
// Connection attempts of this network namespace that are still waiting for the peer's SYN-ACK, read from
// /proc/net/tcp: the way to see a program retrying a peer that drops SYNs.

#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

// Socket inodes of the attempts in SYN_SENT towards `ipv4` (dotted) port `port`; one per attempt.
std::vector<std::uint64_t> pending_attempts(const std::string& ipv4, int port);

// A listener on `address` (IPv4 or IPv6 text) whose accept queue is full, so the kernel drops every further SYN.
class full_listener {
public:
    full_listener(const std::string& address, int port);
    ~full_listener();
    full_listener(const full_listener&) = delete;
    full_listener& operator=(const full_listener&) = delete;

private:
    std::vector<int> fds;
};

} // namespace hostile
