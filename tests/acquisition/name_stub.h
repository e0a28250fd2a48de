#pragma once
// The test program's own getaddrinfo: it answers the names given here with the addresses given, in that order,
// and hands every other name to the system's resolver. So the controller meets a name of several addresses, or
// a look-up that hangs, without a name server or a hosts file of the test's own.
#include <string>
#include <vector>

namespace bv_test {

void stub_name(const std::string& name, std::vector<std::string> addresses);

// While one lives, look-ups of stubbed names wait, as with a name server that does not answer.
class held_names {
public:
    held_names();
    ~held_names();
    held_names(const held_names&) = delete;
    held_names& operator=(const held_names&) = delete;
};

} // namespace bv_test
