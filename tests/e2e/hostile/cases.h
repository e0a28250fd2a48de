#pragma once
// The hostile-station cases, by name, and the exit-after-close rounds.

#include <string>
#include <vector>

namespace hostile {

struct case_setup {
    std::string program;  // the built tray program
    std::string work_dir; // fresh; holds etc/hosts, bound over /etc/hosts by the suite's script
};

std::vector<std::string> case_names();
// Runs one case and prints its line; 0 when it passed.
int run_case(const std::string& name, const case_setup& setup);
// The exit crash: `rounds` runs whose station closes the connection, SIGTERM `delay_ms` after the close.
int run_exit_after_close(const case_setup& setup, int delay_ms, int rounds);

} // namespace hostile
