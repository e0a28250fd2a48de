#pragma once
// Precondition checks of the lib classes. A failed check names the expression and the unit
// and ends the program: it marks a programming error, not a condition to recover from.
// Each .cpp that uses it defines LIB_UNIT (e.g. "library/lock_object") before the include.

namespace lib {
[[noreturn]] void assertion_failed(const char* expression, const char* unit, int line);
}

#define LIB_ASSERT(expr) ((expr) ? static_cast<void>(0) : ::lib::assertion_failed(#expr, LIB_UNIT, __LINE__))
