// The configuration checker: a config.json read through the plugin's own code
// (its parse, the settings build of load and the refresh of reload, the read
// stage of every kit, creature template and location), every fault named by place.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace check {

// One finding, in the compiler style: FILE:LINE:COLUMN: SEVERITY: POINTER: MESSAGE.
// A note follows the finding it tells more of, at its own place.
struct Diagnostic {
  std::string severity;  // "error", "warning" or "note"
  std::string file;
  int line = 1;
  int column = 1;
  std::string pointer;
  std::string message;
  std::string hint;
};

// The asset paths a world's catalogue lists: item class paths, creature
// references; `any` when the world lets every path load.
struct Catalogue {
  std::set<std::string> items;
  std::set<std::string> creatures;
  bool any = false;
};

// The catalogue of a world file, read as the sandbox reads its "assets"; throws
// std::runtime_error naming what is wrong with the file or its "assets".
Catalogue LoadCatalogue(const std::string& world_file);

// Every finding on `text`, the contents of `file`: errors first, then warnings,
// each in the order of the text; a syntax error is followed by a note of its
// likely cause, where one is recognised. With a catalogue, asset paths are looked up in it.
std::vector<Diagnostic> CheckConfigText(const std::string& file, std::string_view text,
                                        const Catalogue* catalogue = nullptr);
// The same on the file itself; a file that cannot be read is an error.
std::vector<Diagnostic> CheckConfigFile(const std::string& file, const Catalogue* catalogue = nullptr);

// One line: the hint, where there is one, after the message and "; ".
std::string FormatText(const Diagnostic& diagnostic);
// An array of {"severity", "file", "line", "column", "pointer", "message", "hint"}.
nlohmann::ordered_json FormatJson(const std::vector<Diagnostic>& diagnostics);
// 0 for none, 1 for warnings only, 2 for any error; notes count for nothing.
int ExitStatus(const std::vector<Diagnostic>& diagnostics);

// The known word nearest to `word` (case aside, by edit distance), when one is
// near enough to be a misspelling of it; empty otherwise.
std::string NearestWord(const std::string& word, const std::vector<std::string>& known);

}  // namespace check
