// The second process of the lock tests.
//   hold <lock> <marker>  lock, print "locked <marker contents>", wait for a line, unlock, print "released"
//   probe <lock>          print "existing=1" if the named mutex already existed, else "existing=0"
//   reader <lock> <file>  read <file> under the lock until it holds -1 in every slot; print the counts

#include "library/lock_object.h"
#include "os/named_mutex.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void say(const std::string& line) {
    std::cout << line << std::endl; // endl flushes: the test waits for each line
}

int hold(const char* name, const char* marker) {
    lib::lock_object lock(name);
    say("waiting");
    lock.lock();
    say("locked " + contents(marker));
    std::string line;
    std::getline(std::cin, line);
    lock.unlock();
    say("released");
    return 0;
}

int probe(const char* name) {
    auto mutex = os::named_mutex::open(name);
    if (!mutex)
        return 2;
    say(mutex->opened_existing() ? "existing=1" : "existing=0");
    return 0;
}

// A reader that honours the lock must find the file whole and unchanged while it holds the
// lock: reading it twice in a row must give the same 24 bytes with one value in every slot.
int reader(const char* name, const char* path) {
    lib::lock_object lock(name);
    long reads = 0, bad = 0;
    std::set<float> seen;
    for (;;) {
        lock.lock();
        const std::string first = contents(path);
        const std::string second = contents(path);
        lock.unlock();
        ++reads;
        std::array<float, 6> slots{};
        if (first.size() != 24 || first != second) {
            ++bad;
            continue;
        }
        std::memcpy(slots.data(), first.data(), 24);
        bool same = true;
        for (float v : slots)
            same = same && v == slots[0];
        if (!same) {
            ++bad;
            continue;
        }
        seen.insert(slots[0]);
        if (slots[0] == -1.0f)
            break;
    }
    say("reads=" + std::to_string(reads) + " bad=" + std::to_string(bad) + " distinct=" + std::to_string(seen.size()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "hold" && argc == 4)
        return hold(argv[2], argv[3]);
    if (mode == "probe" && argc == 3)
        return probe(argv[2]);
    if (mode == "reader" && argc == 4)
        return reader(argv[2], argv[3]);
    std::fprintf(stderr, "usage: lock_helper hold <lock> <marker> | probe <lock> | reader <lock> <file>\n");
    return 2;
}
