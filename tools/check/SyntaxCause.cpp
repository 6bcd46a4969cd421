#include "tools/check/SyntaxCause.h"

namespace check {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A character of a bare word or number: what a key without quotes is made of.
bool IsWordCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '+' || c == '.';
}

// The offset of the last byte before `at` that is not blank; kNone for none.
std::size_t PreviousNonBlank(std::string_view text, std::size_t at) {
  while (at > 0)
    if (!IsBlank(text[--at])) return at;
  return kNone;
}

// The first byte of the token whose last byte is at `end`: a text's opening
// quote, a word's or number's first character, or `end` itself.
std::size_t TokenStart(std::string_view text, std::size_t end) {
  if (text[end] == '"') {
    for (std::size_t at = end; at > 0;) {
      if (text[--at] != '"') continue;
      std::size_t backslashes = 0;
      while (at > backslashes && text[at - backslashes - 1] == '\\') ++backslashes;
      if (backslashes % 2 == 0) return at;
    }
    return end;
  }
  std::size_t start = end;
  while (start > 0 && IsWordCharacter(text[start - 1]) && IsWordCharacter(text[end])) --start;
  return start;
}

bool StartsAValue(char c) { return c == '"' || c == '{' || c == '[' || IsWordCharacter(c); }
bool EndsAValue(char c) { return c == '"' || c == '}' || c == ']' || IsWordCharacter(c); }

}  // namespace

std::optional<SyntaxCause> LikelySyntaxCause(std::string_view text, std::size_t stop, std::string_view reason) {
  if (stop >= text.size()) return std::nullopt;
  const char at = text[stop];
  for (const std::size_t slash : {stop, stop > 0 ? stop - 1 : kNone})
    if (slash != kNone && (text.substr(slash, 2) == "//" || text.substr(slash, 2) == "/*"))
      return SyntaxCause{slash, "likely cause: a comment; JSON has none, neither \"//\" nor \"/* */\": remove it"};
  if (at == '\'')
    return SyntaxCause{stop, "likely cause: single quotes; JSON takes double quotes around keys and texts"};
  if (at == '}' || at == ']') {
    const std::size_t before = PreviousNonBlank(text, stop);
    if (before != kNone && text[before] == ',')
      return SyntaxCause{before, "likely cause: a \",\" after the last member or element; JSON allows none: remove it"};
  }
  // After a member or element the parser wants a comma or the end: a value
  // that follows the one before it directly is one comma short.
  const bool after_value = reason.find("while parsing object - unexpected ") != std::string_view::npos ||
                           reason.find("while parsing array - unexpected ") != std::string_view::npos;
  if (after_value && StartsAValue(at)) {
    const std::size_t before = PreviousNonBlank(text, TokenStart(text, stop));
    if (before != kNone && EndsAValue(text[before]))
      return SyntaxCause{before + 1, "likely cause: a missing \",\"; members and elements are separated by commas"};
  }
  if (reason.find("while parsing object key - invalid literal") != std::string_view::npos && IsWordCharacter(at)) {
    const std::size_t start = TokenStart(text, stop);
    std::size_t end = stop;
    while (end < text.size() && IsWordCharacter(text[end])) ++end;
    const std::string key(text.substr(start, end - start));
    return SyntaxCause{start, "likely cause: the key " + key + " without double quotes; write \"" + key + "\""};
  }
  return std::nullopt;
}

}  // namespace check
