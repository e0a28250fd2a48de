#include "tests/e2e/hostile/name_service.h"

#include "tests/e2e/hostile/case_clock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostile {

void add_host(const std::string& own_copy, const std::string& name, const std::string& address) {
    struct stat system_file {
    }, ours{};
    if (::stat("/etc/hosts", &system_file) != 0 || ::stat(own_copy.c_str(), &ours) != 0 ||
        system_file.st_dev != ours.st_dev || system_file.st_ino != ours.st_ino)
        throw std::runtime_error("/etc/hosts is not this case's own copy " + own_copy);
    // Appending keeps the file (the bind mount holds its inode); the resolver reads it at every look-up.
    const int fd = ::open("/etc/hosts", O_WRONLY | O_APPEND);
    const std::string line = address + " " + name + "\n";
    const bool ok = fd >= 0 && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        throw std::runtime_error(std::string("cannot append to /etc/hosts: ") + std::strerror(errno));
}

dns_stub::dns_stub(mode m) : answer(m) {
    fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        throw std::runtime_error("the name server stub cannot bind 127.0.0.1:53: " + why);
    }
    worker = std::thread([this] { serve(); });
}

dns_stub::~dns_stub() {
    stopping = true;
    worker.join();
    ::close(fd);
}

void dns_stub::serve() {
    while (!stopping) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        unsigned char query[512];
        sockaddr_in from{};
        socklen_t from_size = sizeof from;
        const ssize_t got = ::recvfrom(fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &from_size);
        if (got < 12)
            continue;
        if (seen++ == 0)
            first = elapsed();
        if (answer == mode::silent)
            continue;
        // The query itself, turned into a response with no answers and the code "name does not exist".
        query[2] = static_cast<unsigned char>(query[2] | 0x80);
        query[3] = 0x80 | 3;
        ::sendto(fd, query, static_cast<std::size_t>(got), 0, reinterpret_cast<sockaddr*>(&from), from_size);
    }
}

} // namespace hostile
