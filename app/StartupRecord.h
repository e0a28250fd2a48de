#pragma once
// What the controller said before the main window existed. The program starts its first connection before it
// builds the window, so that the station is reached at once; the window then shows these statuses and lines
// first, in their order, as if it had been there.

#include "acquisition/Bvsystem.h"

#include <boost/signals2/connection.hpp>
#include <optional>
#include <string>
#include <vector>

class StartupRecord {
public:
    struct entry {
        std::optional<Status> status; // a status, or else
        std::string note;             // a line for the log (UTF-8)
    };

    explicit StartupRecord(BVSystem& system);

    // Hands over what was recorded and records nothing more.
    std::vector<entry> take();

private:
    std::vector<entry> entries_;
    boost::signals2::scoped_connection status_, note_;
};
