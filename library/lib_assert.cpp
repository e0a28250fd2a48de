#include "library/lib_assert.h"

#include <cstdio>
#include <cstdlib>

namespace lib {

void assertion_failed(const char* expression, const char* unit, int line) {
    std::fprintf(stderr, "Assertion failed: %s, unit %s, line %d\n", expression, unit, line);
    std::fflush(stderr);
    std::abort();
}

} // namespace lib
