#include "tests/e2e/hostile/connect_attempts.h"

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <sstream>

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

} // namespace hostile
