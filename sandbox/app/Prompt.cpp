#include "sandbox/app/Prompt.h"

#include <iostream>

#if defined(ORVANEL_LINE_EDITING)
#include <histedit.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#endif

#include "sandbox/app/Signals.h"

namespace sandbox {
namespace {

// Not const: libedit asks for the prompt as char*.
char kPromptText[] = "orvanel> ";

// Where no line editing is at hand: lines as the terminal gives them.
void RunPlainPrompt(const std::function<bool(const std::string&)>& run) {
  std::string line;
  while (StopSignal() == 0) {
    std::cout << kPromptText << std::flush;
    if (!std::getline(std::cin, line) || !run(line)) break;
  }
}

#if defined(ORVANEL_LINE_EDITING)

const char* kLeaveHint = "(Ctrl-C again or Ctrl-D leaves the sandbox, as quit does.)\n";
constexpr int kHistoryLines = 1000;

struct Editor {
  EditLine* line = nullptr;
  History* history = nullptr;
  HistEvent event{};
  // libedit decodes keystrokes and measures what it draws in the thread's
  // LC_CTYPE; the prompt reads in this one. The rest of the program, the
  // plugin among it, keeps the locale it started with.
  locale_t utf8 = nullptr;
  std::string historyFile;
};

// The environment's LC_CTYPE when it is UTF-8, else C.UTF-8 (null when neither exists).
locale_t Utf8Locale() {
  if (locale_t environment = newlocale(LC_CTYPE_MASK, "", nullptr)) {
    if (std::strcmp(nl_langinfo_l(CODESET, environment), "UTF-8") == 0) return environment;
    freelocale(environment);
  }
  return newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
}

char* PromptText(EditLine*) { return kPromptText; }

// libedit's reading function: the next character typed, decoded in the
// thread's locale; -1 when a signal the prompt answers came first.
int ReadCharacter(EditLine* line, wchar_t* character) {
  std::mbstate_t state{};
  for (;;) {
    if (!WaitForInput(STDIN_FILENO)) {
      if (TakeResize()) el_resize(line);
      if (StopSignal() != 0 || InterruptPending()) {
        errno = EINTR;
        return -1;
      }
      continue;
    }
    char byte = 0;
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    // 0: the end of the input; -1: the terminal is gone.
    if (got <= 0) return static_cast<int>(got);
    const std::size_t used = std::mbrtowc(character, &byte, 1, &state);
    if (used == static_cast<std::size_t>(-2)) continue;
    // A byte that is no part of a character is dropped.
    if (used == static_cast<std::size_t>(-1)) {
      state = std::mbstate_t{};
      continue;
    }
    return 1;
  }
}

bool OpenEditor(Editor& editor) {
  editor.utf8 = Utf8Locale();
  const locale_t before = uselocale(editor.utf8);
  editor.line = el_init("orvanel-sandbox", stdin, stdout, stderr);
  if (editor.line != nullptr) {
    // The program's handlers answer the signals; libedit's would pass them on
    // to the whole process group.
    el_set(editor.line, EL_SIGNAL, 0);
    el_set(editor.line, EL_GETCFN, ReadCharacter);
    el_set(editor.line, EL_PROMPT, PromptText);
    el_set(editor.line, EL_EDITOR, "emacs");
    editor.history = history_init();
    history(editor.history, &editor.event, H_SETSIZE, kHistoryLines);
    history(editor.history, &editor.event, H_SETUNIQUE, 1);
    const char* home = std::getenv("HOME");
    editor.historyFile = (std::filesystem::path(home != nullptr ? home : ".") / ".orvanel_sandbox_history").string();
    history(editor.history, &editor.event, H_LOAD, editor.historyFile.c_str());
    el_set(editor.line, EL_HIST, history, editor.history);
    // Wide, so that libedit keeps the literals: the narrow form copies both
    // texts into memory it never frees.
    el_wset(editor.line, EL_ADDFN, L"complete-file", L"complete a file name", _el_fn_complete);
    el_set(editor.line, EL_BIND, "^I", "complete-file", nullptr);
    // The person's own ~/.editrc.
    el_source(editor.line, nullptr);
  }
  if (editor.utf8 != nullptr) {
    uselocale(before);
    if (editor.line == nullptr) freelocale(editor.utf8);
  }
  return editor.line != nullptr;
}

void CloseEditor(Editor& editor) {
  const locale_t before = uselocale(editor.utf8);
  history(editor.history, &editor.event, H_SAVE, editor.historyFile.c_str());
  history_end(editor.history);
  el_end(editor.line);
  if (editor.utf8 != nullptr) {
    uselocale(before);
    freelocale(editor.utf8);
  }
}

enum class Typed { Line, Interrupt, End };

// One line at the prompt; for Interrupt, `was_empty` says whether Ctrl-C came on an empty line.
Typed ReadLine(Editor& editor, std::string& line, bool& was_empty) {
  const locale_t before = uselocale(editor.utf8);
  // The terminal is in libedit's mode before the prompt shows (el_gets would
  // show it first): no key typed at the prompt meets the terminal's own line
  // editing, which would echo it a second time or take Ctrl-D as its own.
  el_set(editor.line, EL_PREP_TERM, 1);
  int count = 0;
  const char* text = el_gets(editor.line, &count);
  Typed typed = Typed::End;
  if (text != nullptr && count > 0) {
    line.assign(text, static_cast<std::size_t>(count));
    if (line.back() == '\n') line.pop_back();
    typed = Typed::Line;
  } else if (InterruptPending()) {
    const LineInfo* typed_so_far = el_line(editor.line);
    was_empty = typed_so_far->lastchar == typed_so_far->buffer;
    typed = Typed::Interrupt;
  }
  if (editor.utf8 != nullptr) uselocale(before);
  return typed;
}

#endif

}  // namespace

void RunPrompt(const std::function<bool(const std::string&)>& run) {
#if defined(ORVANEL_LINE_EDITING)
  Editor editor;
  if (!OpenEditor(editor)) {
    RunPlainPrompt(run);
    return;
  }
  // The last key was Ctrl-C on an empty line.
  bool leaving = false;
  while (StopSignal() == 0) {
    // A Ctrl-C pressed while a command ran is no key of the next line.
    ClearInterrupt();
    std::string line;
    bool was_empty = false;
    const Typed typed = ReadLine(editor, line, was_empty);
    if (typed == Typed::End || StopSignal() != 0) {
      // Ctrl-D, the end of the input or a signal: what follows starts on a line of its own.
      if (typed != Typed::Line) std::cout << "\n";
      break;
    }
    if (typed == Typed::Interrupt) {
      std::cout << "^C\n";
      if (was_empty && leaving) break;
      leaving = was_empty;
      if (leaving) std::cout << kLeaveHint;
      continue;
    }
    leaving = false;
    if (line.find_first_not_of(" \t") != std::string::npos)
      history(editor.history, &editor.event, H_ENTER, line.c_str());
    if (!run(line)) break;
  }
  std::cout.flush();
  CloseEditor(editor);
#else
  RunPlainPrompt(run);
#endif
}

}  // namespace sandbox
