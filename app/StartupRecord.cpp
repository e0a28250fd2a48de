#include "app/StartupRecord.h"

#include <utility>

StartupRecord::StartupRecord(BVSystem& system)
    : status_(system.status_changed.connect([this](Status s) {
          entries_.push_back({s, {}});
      })),
      note_(system.noted.connect([this](const std::string& line) {
          entries_.push_back({std::nullopt, line});
      })) {}

std::vector<StartupRecord::entry> StartupRecord::take() {
    status_.disconnect();
    note_.disconnect();
    return std::exchange(entries_, {});
}
