#pragma once
#include <string>

namespace os {

// The directory of the running executable with its trailing separator ('/' on POSIX, '\\' on
// Windows); empty if the system cannot tell.
std::string executable_dir();

} // namespace os
