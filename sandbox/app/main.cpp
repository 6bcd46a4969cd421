// orvanel-sandbox: a game server stand-in where players of a world type chat
// and console lines and the plugin answers. Reads a script, standard input, or
// a prompt with line editing; prints what players would see.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include <fmt/format.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "orvanel/commands/Health.h"
#include "orvanel/core/ConfigPath.h"
#include "sandbox/app/ConfigTree.h"
#include "sandbox/app/Prompt.h"
#include "sandbox/app/Signals.h"
#include "sandbox/game/CreatureChanges.h"
#include "sandbox/game/Dump.h"
#include "sandbox/game/Map.h"
#include "sandbox/game/Memory.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/Show.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

namespace {

using nlohmann::json;

struct Style {
  bool color = false;
  std::string Paint(const std::string& text, const char* code) const {
    return color ? std::string("\033[") + code + "m" + text + "\033[0m" : text;
  }
};

// `wait` moves the clock at most some thirty years at once.
constexpr double kMaxWaitSeconds = 1e9;
// What a shell reports for a process ended by SIGKILL.
constexpr int kKilledStatus = 137;

int ChannelOf(double value) { return static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0)); }

void PrintNotification(const json& event, const Style& style) {
  std::vector<std::string> lines;
  std::istringstream text(event.value("text", std::string()));
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  std::size_t width = 0;
  for (const std::string& line : lines) width = std::max(width, line.size());
  std::string code = "1";
  if (event.contains("color") && event["color"].is_array() && event["color"].size() >= 3)
    code = "1;38;2;" + std::to_string(ChannelOf(event["color"][0].get<double>())) + ";" +
           std::to_string(ChannelOf(event["color"][1].get<double>())) + ";" +
           std::to_string(ChannelOf(event["color"][2].get<double>()));
  std::cout << style.Paint("notification to " + event.value("to", std::string()), "2") << "\n";
  std::cout << style.Paint("+" + std::string(width + 2, '-') + "+", code.c_str()) << "\n";
  for (const std::string& line : lines)
    std::cout << style.Paint("| " + line + std::string(width - line.size(), ' ') + " |", code.c_str()) << "\n";
  std::cout << style.Paint("+" + std::string(width + 2, '-') + "+", code.c_str()) << "\n";
}

void PrintEvent(const json& event, const Style& style) {
  const std::string kind = event.value("event", std::string());
  if (kind == "chat") {
    std::cout << style.Paint("[to " + event["to"].get<std::string>() + "] ", "2")
              << style.Paint(event["sender"].get<std::string>(), "1;36") << " " << event["text"].get<std::string>()
              << "\n";
  } else if (kind == "notification") {
    PrintNotification(event, style);
  } else if (kind == "register" || kind == "unregister") {
    std::cout << style.Paint(kind + " " + event["kind"].get<std::string>() + " command \"" +
                                 event["text"].get<std::string>() + "\"",
                             "32")
              << "\n";
  } else if (kind == "handler-error") {
    std::cout << style.Paint("command \"" + event["command"].get<std::string>() +
                                 "\" failed: " + event["error"].get<std::string>(),
                             "1;31")
              << "\n";
  } else if (kind == "unknown-command") {
    std::cout << style.Paint("no " + event["kind"].get<std::string>() + " command matches \"" +
                                 event["text"].get<std::string>() + "\" from " + event["from"].get<std::string>(),
                             "33")
              << "\n";
  }
  // Log lines reach the terminal through the host's console sink.
}

// One JSON line whatever bytes its texts hold: invalid UTF-8 becomes U+FFFD.
std::string Line(const json& record) { return record.dump(-1, ' ', false, json::error_handler_t::replace); }

struct Session {
  std::filesystem::path plugin;
  Style style;
  std::filesystem::path configFile;
  // With --config: the temporary server tree that holds a copy of the file.
  sandbox::ConfigTree* tree = nullptr;
  // Creatures from this id on are new to the next map.
  uint64_t mappedUpTo = 0;
  bool running = true;
};

// Splits "NAME REST": REST is everything after the single space after NAME.
// False when either is missing; a REST of blanks says nothing.
bool SplitPlayerLine(const std::string& arguments, std::string& name, std::string& rest) {
  const std::size_t space = arguments.find(' ');
  name = arguments.substr(0, space);
  rest = space == std::string::npos ? std::string() : arguments.substr(space + 1);
  return !name.empty() && rest.find_first_not_of(" \t") != std::string::npos;
}

sim::Controller* NamedPlayer(const std::string& name) {
  sim::Controller* player = sim::FindPlayer(name);
  if (player == nullptr) std::cout << "There is no player named \"" << name << "\" in this world.\n";
  return player;
}

// The sandbox's own commands: what each is called, what `help` says of it, and
// what runs it. The dispatcher and `help` both read this one table.
using CommandHandler = void (*)(Session& session, const std::string& verb, const std::string& arguments);

struct HelpLine {
  const char* usage;
  // May hold "{}", the health survey's radius; lines after the first are indented as it is.
  const char* text;
};

struct SandboxCommand {
  const char* name;
  // Empty for a command said along with the one before it.
  std::vector<HelpLine> help;
  CommandHandler run;
  // A player's line keeps its blanks; a name, an id or a file ends at its last character.
  bool keepsBlanks = false;
};

void RunPlayerLine(Session&, const std::string& verb, const std::string& arguments) {
  std::string name, rest;
  if (!SplitPlayerLine(arguments, name, rest)) {
    std::cout << "Usage: " << verb << " NAME " << (verb == "chat" ? "TEXT" : "LINE") << "\n";
    return;
  }
  if (sim::Controller* player = NamedPlayer(name)) {
    if (verb == "chat")
      sandbox::Chat(player, rest);
    else
      sandbox::Console(player, rest);
  }
}

void RunPresence(Session&, const std::string& verb, const std::string& arguments) {
  if (arguments.empty())
    std::cout << "Usage: " << verb << " NAME\n";
  else if (sim::Controller* player = NamedPlayer(arguments))
    player->online = verb == "online";
}

void RunUnload(Session&, const std::string&, const std::string&) { sandbox::UnloadPlugin(); }

void RunLoad(Session& session, const std::string&, const std::string&) {
  if (!sandbox::PluginLoaded()) sandbox::LoadPlugin(session.plugin);
}

void RunReloadPlugin(Session& session, const std::string&, const std::string&) {
  sandbox::UnloadPlugin();
  sandbox::LoadPlugin(session.plugin);
}

void RunShow(Session& session, const std::string&, const std::string& arguments) {
  std::cout << sim::ShowCommand(arguments, session.configFile);
}

void RunDump(Session&, const std::string&, const std::string& arguments) { std::cout << sim::DumpCommand(arguments); }

void RunCreatureChange(Session&, const std::string& verb, const std::string& arguments) {
  std::cout << sim::CreatureChangeCommand(verb, arguments);
}

void RunWait(Session&, const std::string&, const std::string& arguments) {
  char* end = nullptr;
  const double seconds = std::strtod(arguments.c_str(), &end);
  if (arguments.empty() || *end != '\0' || !(seconds >= 0.0 && seconds <= kMaxWaitSeconds)) {
    std::cout << "Usage: wait SECONDS (a number from 0 to " << kMaxWaitSeconds << ")\n";
    return;
  }
  sim::AdvanceClock(static_cast<int64_t>(std::llround(seconds * 1000.0)));
  std::cout << "Clock: " << sim::ClockText(sim::GetWorld().clockMs) << "\n";
}

[[noreturn]] void RunKill(Session&, const std::string&, const std::string&) {
  // As a crash or a kill would end the server: no unload, nothing saved.
  std::cout.flush();
#if defined(_WIN32)
  // Leaving the process any other way tells every library it is detached,
  // and the plugin would unload.
  TerminateProcess(GetCurrentProcess(), kKilledStatus);
#endif
  std::_Exit(kKilledStatus);
}

void RunMap(Session& session, const std::string&, const std::string& arguments) {
  std::cout << sim::MapCommand(arguments, session.configFile, session.mappedUpTo);
}

void RunHelp(Session&, const std::string&, const std::string&);

void RunQuit(Session& session, const std::string&, const std::string&) { session.running = false; }

const std::vector<SandboxCommand>& SandboxCommands() {
  static const std::vector<SandboxCommand> commands = {
      {"chat", {{"chat NAME TEXT", "player NAME sends TEXT in chat"}}, RunPlayerLine, true},
      {"console", {{"console NAME LINE", "player NAME enters LINE on the console"}}, RunPlayerLine, true},
      {"offline", {{"offline NAME", "player NAME leaves the server (their lines still arrive)"}}, RunPresence},
      {"online", {{"online NAME", "player NAME comes back"}}, RunPresence},
      {"unload", {{"unload | load | reload-plugin", "detach, attach, or detach and attach the plugin"}}, RunUnload},
      {"load", {}, RunLoad},
      {"reload-plugin", {}, RunReloadPlugin},
      {"show",
       {{"show NAME", "player NAME: place, inventory, creatures within {} units, uses"},
        {"show creature ID", "one creature: team, behaviour, levels, every stat, saddle and items"}},
       RunShow},
      {"dump",
       {{"dump [WHAT]",
         "the world as one JSON object on one line; WHAT narrows it to\n"
         "players, creatures or the player of that name"}},
       RunDump},
      {"slay", {{"slay ID", "creature ID dies (its health drops to 0)"}}, RunCreatureChange},
      {"remove", {{"remove ID", "creature ID leaves the world, as if the game removed it"}}, RunCreatureChange},
      {"retame", {{"retame ID TEAM", "creature ID is tamed by team TEAM"}}, RunCreatureChange},
      {"wait", {{"wait SECONDS", "move the game's clock forward (cooldowns count on it)"}}, RunWait},
      {"kill", {{"kill", "end at once, as a crash would: no unload, nothing saved"}}, RunKill},
      {"map", {{"map NAME FILE.svg [RADIUS]", "a top-down picture around player NAME (radius 6000 units)"}}, RunMap},
      {"help", {{"help | quit", ""}}, RunHelp},
      {"quit", {}, RunQuit},
      {"exit", {}, RunQuit},
  };
  return commands;
}

// A usage that fits stands in a column before its text; a longer one has its
// text on the lines below.
constexpr std::size_t kUsageColumn = 18;

void RunHelp(Session&, const std::string&, const std::string&) {
  const std::string indent(2 + kUsageColumn + 2, ' ');
  std::string out = "Commands:\n";
  for (const SandboxCommand& command : SandboxCommands())
    for (const HelpLine& line : command.help) {
      std::string text = fmt::format(fmt::runtime(line.text), kSurveyRadius);
      for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        text.insert(at + 1, indent);
      out += "  ";
      out += line.usage;
      const std::size_t used = 2 + std::string_view(line.usage).size();
      if (!text.empty()) {
        if (used + 2 <= indent.size()) {
          out.append(indent.size() - used, ' ');
        } else {
          out += '\n';
          out += indent;
        }
        out += text;
      }
      out += '\n';
    }
  out += "Blank lines and lines starting with # are ignored.\n";
  std::cout << out;
}

void RunLine(Session& session, const std::string& raw) {
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  // Blanks before the command word are no part of it.
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line[first] == '#') return;
  line.erase(0, first);
  if (session.tree != nullptr) sandbox::SyncConfigTree(*session.tree);
  const std::size_t space = line.find(' ');
  const std::string verb = line.substr(0, space);
  std::string arguments = space == std::string::npos ? std::string() : line.substr(space + 1);
  const auto& commands = SandboxCommands();
  const auto command =
      std::find_if(commands.begin(), commands.end(), [&](const SandboxCommand& each) { return verb == each.name; });
  if (command == commands.end()) {
    std::cout << "Unknown command \"" << verb << "\"; type help for the list.\n";
    return;
  }
  if (!command->keepsBlanks) arguments.erase(arguments.find_last_not_of(" \t") + 1);
  command->run(session, verb, arguments);
}

void RunStream(Session& session, std::istream& input, bool echo) {
  for (std::string line; session.running && sandbox::StopSignal() == 0 && std::getline(input, line);) {
    if (echo && !line.empty() && line[0] != '#') std::cout << session.style.Paint("> " + line, "1") << "\n";
    RunLine(session, line);
    std::cout.flush();
  }
}

void RunPrompt(Session& session) {
  std::cout << "Type help for the commands, quit or Ctrl-D to leave.\n";
  sandbox::RunPrompt([&](const std::string& line) {
    RunLine(session, line);
    std::cout.flush();
    return session.running;
  });
}

// The whole session; its temporary tree and files are gone when it returns.
int RunSandbox(int argc, char** argv) {
  CLI::App app{"Orvanel sandbox: a game server stand-in for trying the plugin and its configuration"};
  std::string root = ORVANEL_EXAMPLE_ROOT;
  std::string world_file = ORVANEL_EXAMPLE_WORLD;
  std::string plugin = ORVANEL_PLUGIN_PATH;
  std::string events_file, trace_file, script, config_file;
  bool any_assets = false;
  CLI::Option* root_option =
      app.add_option("--root", root, std::string("server directory; config.json lies in DIR/") + kPluginFolder + "/")
          ->capture_default_str();
  app.add_option("--config", config_file,
                 "run with FILE as the plugin's config.json, in a temporary server tree; edits take effect on "
                 "the reload command. Without --world: the example world, with --any-assets")
      ->excludes(root_option);
  CLI::Option* world_option =
      app.add_option("--world", world_file, "world file: players, creatures and assets in JSON")->capture_default_str();
  app.add_flag("--any-assets", any_assets,
               "every well-formed item path loads and every asset reference spawns a creature, as with "
               "\"assets\": {\"any\": true}");
  app.add_option("--plugin", plugin, "the plugin library to load")->capture_default_str();
  app.add_option("--events", events_file, "also write every event as one JSON object per line");
  app.add_option("--trace", trace_file, "write every recorded game function call as one JSON object per line");
  app.add_option("SCRIPT", script,
                 "script to run, or - for standard input; without it: a prompt on a terminal, the lines "
                 "piped in, or the example session when nothing is");
  CLI11_PARSE(app, argc, argv);
  const bool prompt = script.empty() && isatty(STDIN_FILENO) != 0;
  // From here on a signal only asks the session to end, which it does below, cleaning up.
  sandbox::CatchSignals(prompt);
  // A script that cannot be read is refused before anything starts.
  std::ifstream script_file;
  if (!script.empty() && script != "-") {
    script_file.open(script);
    if (!script_file) {
      std::cerr << "Cannot read the script " << script << "\n";
      return 2;
    }
  }

  sandbox::ConfigTree tree;
  if (!config_file.empty()) {
    std::string error;
    if (!sandbox::MakeConfigTree(tree, config_file, error)) {
      std::cerr << "Cannot read the config file " << config_file << ": " << error << "\n";
      return 2;
    }
    root = tree.root.string();
    if (world_option->count() == 0) any_assets = true;
  }

  const bool terminal = isatty(STDOUT_FILENO) != 0;
  Session session;
  session.plugin = plugin;
  session.style = Style{terminal};
  session.configFile = std::filesystem::path(root) / kConfigFileInServer;
  if (!config_file.empty()) session.tree = &tree;
  sandbox::StartHost({root, true, terminal});
  // A session may run for long: what it records goes to the listeners only.
  sim::SetKeeping(false);

  std::ofstream events, trace;
  if (!events_file.empty()) {
    events.open(events_file);
    if (!events) {
      std::cerr << "Cannot write the events file " << events_file << "\n";
      return 2;
    }
    sim::AddEventListener([&](const json& event) { events << Line(event) << "\n" << std::flush; });
  }
  if (!trace_file.empty()) {
    trace.open(trace_file);
    if (!trace) {
      std::cerr << "Cannot write the trace file " << trace_file << "\n";
      return 2;
    }
    sim::AddCallListener([&](const json& call) { trace << Line(call) << "\n"; });
  }
  sim::AddEventListener([&](const json& event) { PrintEvent(event, session.style); });

  if (!world_file.empty()) {
    std::ifstream file(world_file);
    if (!file) {
      std::cerr << "Cannot read the world file " << world_file << "\n";
      return 2;
    }
    try {
      sim::LoadWorld(json::parse(file));
    } catch (const std::exception& error) {
      std::cerr << "The world file " << world_file << " is not usable: " << error.what() << "\n";
      return 2;
    }
  }
  if (any_assets) sim::GetWorld().anyAssets = true;
  session.mappedUpTo = sim::GetWorld().nextId;

  sandbox::LoadPlugin(session.plugin);
  if (script == "-") {
    RunStream(session, sandbox::StandardInput(), false);
  } else if (!script.empty()) {
    RunStream(session, script_file, true);
  } else if (prompt) {
    RunPrompt(session);
  } else if (sandbox::StandardInput().peek() != std::char_traits<char>::eof()) {
    // Lines piped in are the script.
    RunStream(session, sandbox::StandardInput(), true);
  } else {
    // Nothing to read: the example session shows what the sandbox does.
    std::ifstream file(ORVANEL_EXAMPLE_SESSION);
    RunStream(session, file, true);
  }
  sandbox::StopHost();
  const std::size_t leaked = sim::LiveBlocks();
  if (leaked != 0) std::cerr << "orvanel-sandbox: " << leaked << " game memory blocks were never freed\n";
  trace.flush();
  return 0;
}

}  // namespace

// NOLINTNEXTLINE(bugprone-exception-escape): an exception no session catches is the sandbox's own fault, and aborts.
int main(int argc, char** argv) {
  const int status = RunSandbox(argc, argv);
  // A session a signal ended ends by that signal, once everything is cleaned up.
  sandbox::EndBySignal();
  return status;
}
