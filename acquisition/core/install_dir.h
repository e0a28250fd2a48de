#pragma once
// Install_Dir under the current user's Software\Kalvemark\Borevane: where the reading program
// finds Borevane.bin.

#include <optional>
#include <string>

// Writes exe_dir, ending in a path separator. Returns false when the value cannot be written.
bool publish_install_dir(const std::string& exe_dir);

std::optional<std::string> read_install_dir();
