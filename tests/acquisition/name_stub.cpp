#include "tests/acquisition/name_stub.h"

#include <condition_variable>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <netdb.h>

namespace {

std::mutex stub_mutex;
std::condition_variable released;
std::map<std::string, std::vector<std::string>> stubbed;
bool holding = false;

} // namespace

void bv_test::stub_name(const std::string& name, std::vector<std::string> addresses) {
    const std::lock_guard<std::mutex> lock(stub_mutex);
    stubbed[name] = std::move(addresses);
}

bv_test::held_names::held_names() {
    const std::lock_guard<std::mutex> lock(stub_mutex);
    holding = true;
}

bv_test::held_names::~held_names() {
    {
        const std::lock_guard<std::mutex> lock(stub_mutex);
        holding = false;
    }
    released.notify_all();
}

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** res) {
    static const auto system = reinterpret_cast<decltype(&getaddrinfo)>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    std::vector<std::string> addresses;
    {
        std::unique_lock<std::mutex> lock(stub_mutex);
        const auto it = node ? stubbed.find(node) : stubbed.end();
        if (it == stubbed.end()) {
            lock.unlock();
            return system(node, service, hints, res);
        }
        addresses = it->second;
        released.wait(lock, [] { return !holding; });
    }
    // One numeric look-up per address, chained: freeaddrinfo frees the chain entry by entry.
    addrinfo numeric{};
    numeric.ai_flags = AI_NUMERICHOST;
    numeric.ai_socktype = SOCK_STREAM;
    *res = nullptr;
    addrinfo** tail = res;
    for (const std::string& address : addresses)
        if (system(address.c_str(), service, &numeric, tail) == 0)
            while (*tail)
                tail = &(*tail)->ai_next;
    return *res ? 0 : EAI_NONAME;
}
