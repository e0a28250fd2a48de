// The scripted hostile station and the judge of one case: runs the tray program against a station that
// misbehaves in one way, inside the private namespaces the suite's script has made, and prints the verdict.
//
// usage: hostile_station --list
//        hostile_station --program PATH --work DIR --case NAME
//        hostile_station --program PATH --work DIR --exit-after-close MS --rounds N

#include "tests/e2e/hostile/cases.h"

#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    hostile::case_setup setup;
    std::string name;
    int delay_ms = -1, rounds = 20;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--list") {
            for (const auto& n : hostile::case_names())
                std::cout << n << "\n";
            return 0;
        } else if (arg == "--program") {
            setup.program = value();
        } else if (arg == "--work") {
            setup.work_dir = value();
        } else if (arg == "--case") {
            name = value();
        } else if (arg == "--exit-after-close") {
            delay_ms = std::atoi(value().c_str());
        } else if (arg == "--rounds") {
            rounds = std::atoi(value().c_str());
        } else {
            std::cerr << "hostile_station: unknown option " << arg << "\n";
            return 2;
        }
    }
    // The station takes port 8001 and the cases rewrite /etc/hosts and addresses: only in private namespaces.
    if (!std::getenv("BV_HOSTILE_IN_NAMESPACES")) {
        std::cerr << "hostile_station: run it through hostile_station_e2e.sh (private namespaces)\n";
        return 2;
    }
    if (setup.program.empty() || setup.work_dir.empty() || (name.empty() && delay_ms < 0)) {
        std::cerr << "hostile_station: --program, --work and --case or --exit-after-close are needed\n";
        return 2;
    }
    return delay_ms >= 0 ? hostile::run_exit_after_close(setup, delay_ms, rounds) : hostile::run_case(name, setup);
}
