// Moves the uses that the journal beside a config.json holds into the shared
// store that its Cooldowns "Store" names, once, on the operator's word only:
// all records in one transaction, the journal then set aside so none counts twice.
#pragma once

#include <filesystem>
#include <string>

namespace check {

struct UsesMove {
  int status = 0;      // 0 moved, or nothing to move; 2 nothing moved, or not known
  std::string report;  // what happened, in lines for the operator, never the connection's secret
};

// `stamp` names the journal set aside: "state.journal.moved-STAMP".
UsesMove MoveUsesToStore(const std::filesystem::path& config_file, const std::string& stamp);

}  // namespace check
