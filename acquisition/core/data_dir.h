#pragma once
// Where the program keeps Borevane.bin and Borevane.ini, and so the directory that the install location names
// for the reading program.
//
// Beside the executable, where the reading program has always found them, when that directory is writable and
// is not an installation's: the build tree, a copy of the program in a folder of its own. An installed program
// (its executable's directory holds, one level up, share/borevane/installed) and a copy the user cannot write
// beside keep them in the user's data directory, Kalvemark/Borevane/ under ${XDG_DATA_HOME:-~/.local/share}
// (%LOCALAPPDATA% on Windows), so that each user has a file of their own and nothing is written into the prefix.

#include <string>

// The marker file that an installation puts at this path relative to the executable's directory.
extern const char* const installation_marker;

// `exe_dir` ends in a separator; so does the result. The user's directory is made when missing; with no user
// directory to be had at all, the executable's directory is the answer whatever it is.
std::string choose_data_dir(const std::string& exe_dir);
