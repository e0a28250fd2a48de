#pragma once
// Name service of a case's private mount and network namespaces: /etc/hosts and /etc/resolv.conf are the
// case's own files bound over the system's (by the suite's script), and the resolver's name server is a stub
// on 127.0.0.1:53 of the private network that either answers "no such name" or swallows every query.

#include <atomic>
#include <string>
#include <thread>

namespace hostile {

// Adds "address name" to /etc/hosts, in place. Refuses (throws) unless /etc/hosts is the file `own_copy`,
// so a run outside its private namespaces never touches the machine's own file.
void add_host(const std::string& own_copy, const std::string& name, const std::string& address);

class dns_stub {
public:
    enum class mode { no_such_name, silent };
    explicit dns_stub(mode m);
    ~dns_stub();

    int queries() const { return seen.load(); }
    double first_query_at() const { return first.load(); }

private:
    void serve();

    mode answer;
    int fd = -1;
    std::atomic<bool> stopping{false};
    std::atomic<int> seen{0};
    std::atomic<double> first{-1};
    std::thread worker;
};

} // namespace hostile
