// orvanel-check: reads a config.json through the plugin's own reading code and
// prints every fault with its place, one a line, as compilers do (or as one
// JSON array). Exit status 0 clean, 1 warnings only, 2 any error.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "orvanel/core/UseJournal.h"
#include "tools/check/Check.h"
#include "tools/check/MoveUses.h"

// What escapes the catches below (out of memory) aborts, as it should.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main(int argc, char** argv) {
  CLI::App app{"Checks an Orvanel config.json: every fault named by line, column and JSON pointer."};
  std::string config;
  std::string world;
  std::string format = "text";
  app.add_option("--world", world, "A sandbox world file: asset paths not in its catalogue are named")
      ->check(CLI::ExistingFile);
  app.add_option("--format", format, "text (one finding a line) or json (one array)")
      ->check(CLI::IsMember({"text", "json"}));
  bool move_uses = false;
  app.add_flag("--move-uses", move_uses,
               "Instead of checking, move the uses of the journal beside CONFIG into the shared store its "
               "\"Store\" names, once (the server stopped); the journal is then kept aside as "
               "state.journal.moved-STAMP");
  app.add_option("CONFIG", config, "The config.json to check")->required();
  CLI11_PARSE(app, argc, argv);

  if (move_uses) {
    const check::UsesMove move = check::MoveUsesToStore(config, UtcFileStamp());
    (move.status == 0 ? std::cout : std::cerr) << move.report;
    return move.status;
  }

  check::Catalogue catalogue;
  if (!world.empty()) {
    try {
      catalogue = check::LoadCatalogue(world);
    } catch (const std::exception& error) {
      std::cerr << "orvanel-check: " << error.what() << "\n";
      return 2;
    }
  }
  std::vector<check::Diagnostic> diagnostics;
  try {
    diagnostics = check::CheckConfigFile(config, world.empty() ? nullptr : &catalogue);
  } catch (const std::exception& error) {
    std::cerr << "orvanel-check: " << config << ": " << error.what() << "\n";
    return 2;
  }
  if (format == "json") {
    std::cout << check::FormatJson(diagnostics).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
  } else {
    for (const check::Diagnostic& diagnostic : diagnostics) std::cout << check::FormatText(diagnostic) << "\n";
  }
  return check::ExitStatus(diagnostics);
}
