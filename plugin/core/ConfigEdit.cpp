#include "orvanel/core/ConfigEdit.h"

#include <optional>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace {

// The text is one valid JSON value (it was parsed before): the scan only finds
// where values begin and end, and checks nothing.
bool IsSpace(char character) { return character == ' ' || character == '\t' || character == '\n' || character == '\r'; }

std::size_t SkipSpace(std::string_view text, std::size_t at) {
  while (at < text.size() && IsSpace(text[at])) ++at;
  return at;
}

// Past the closing quote of the string that opens at `at`.
std::size_t SkipString(std::string_view text, std::size_t at) {
  for (++at; at < text.size(); ++at) {
    if (text[at] == '\\')
      ++at;
    else if (text[at] == '"')
      return at + 1;
  }
  return text.size();
}

// Past the value that starts at `at`.
std::size_t SkipValue(std::string_view text, std::size_t at) {
  if (text[at] == '"') return SkipString(text, at);
  if (text[at] != '{' && text[at] != '[') {
    while (at < text.size() && !IsSpace(text[at]) && text[at] != ',' && text[at] != '}' && text[at] != ']') ++at;
    return at;
  }
  int depth = 0;
  while (at < text.size()) {
    const char character = text[at];
    if (character == '"') {
      at = SkipString(text, at);
      continue;
    }
    if (character == '{' || character == '[') ++depth;
    if ((character == '}' || character == ']') && --depth == 0) return at + 1;
    ++at;
  }
  return at;
}

// One member of an object: where its key starts and ends, and its value.
struct MemberSpan {
  std::size_t keyBegin = 0;
  std::size_t keyEnd = 0;
  std::size_t valueBegin = 0;
  std::size_t valueEnd = 0;
};

// What the scan of the object opening at `at` found: the last member named
// `name`, the object's last member and its closing brace.
struct ObjectScan {
  std::optional<MemberSpan> found;
  std::optional<MemberSpan> last;
  std::size_t close = 0;
};

bool KeyIs(std::string_view text, const MemberSpan& member, const std::string& name) {
  const std::string_view raw = text.substr(member.keyBegin + 1, member.keyEnd - member.keyBegin - 2);
  if (raw.find('\\') == std::string_view::npos) return raw == name;
  return nlohmann::json::parse(text.substr(member.keyBegin, member.keyEnd - member.keyBegin)).get<std::string>() ==
         name;
}

ObjectScan ScanObject(std::string_view text, std::size_t at, const std::string& name) {
  ObjectScan scan;
  at = SkipSpace(text, at + 1);
  while (at < text.size() && text[at] != '}') {
    MemberSpan member;
    member.keyBegin = at;
    member.keyEnd = SkipString(text, at);
    at = SkipSpace(text, member.keyEnd) + 1;  // past ':'
    member.valueBegin = SkipSpace(text, at);
    member.valueEnd = SkipValue(text, member.valueBegin);
    if (KeyIs(text, member, name)) scan.found = member;
    scan.last = member;
    at = SkipSpace(text, member.valueEnd);
    if (at < text.size() && text[at] == ',') at = SkipSpace(text, at + 1);
  }
  scan.close = at;
  return scan;
}

std::string KeyText(const std::string& name) { return nlohmann::json(name).dump(); }

// The spaces that open the line `at` is on.
std::string_view LineIndent(std::string_view text, std::size_t at) {
  const std::size_t line = text.rfind('\n', at);
  const std::size_t begin = line == std::string_view::npos ? 0 : line + 1;
  std::size_t end = begin;
  while (end < text.size() && (text[end] == ' ' || text[end] == '\t')) ++end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::string WithMember(std::string_view text, const std::vector<std::string>& path, const std::string& name,
                       std::string_view value) {
  // A byte order mark, which the parse passes over, stays where it is.
  const std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  std::size_t object = SkipSpace(text, start);
  for (std::size_t depth = 0; depth <= path.size(); ++depth) {
    if (object >= text.size() || text[object] != '{') throw std::runtime_error("not an object");
    const std::string& key = depth < path.size() ? path[depth] : name;
    const ObjectScan scan = ScanObject(text, object, key);
    if (scan.found && depth < path.size()) {
      object = scan.found->valueBegin;
      if (text[object] != '{') throw std::runtime_error("\"" + key + "\" is not an object");
      continue;
    }
    std::string edited;
    if (scan.found) {
      edited.reserve(text.size() + value.size());
      edited.append(text.substr(0, scan.found->valueBegin));
      edited.append(value);
      edited.append(text.substr(scan.found->valueEnd));
      return edited;
    }
    // The member to add: the rest of the path as objects on one line.
    std::string member = KeyText(key);
    std::string tail;
    for (std::size_t inner = depth + 1; inner <= path.size(); ++inner) {
      member += ": {" + KeyText(inner < path.size() ? path[inner] : name);
      tail += "}";
    }
    std::string separator = ": ";
    std::string prefix;
    std::string lead;
    std::size_t insert_at = 0;
    std::size_t resume_at = 0;
    if (scan.last) {
      const std::size_t before_key = text.find_last_not_of(" \t\r\n", scan.last->keyBegin - 1);
      lead = std::string(text.substr(before_key + 1, scan.last->keyBegin - before_key - 1));
      // A member right after the brace: one space after the comma.
      if (lead.empty()) lead = " ";
      separator = std::string(text.substr(scan.last->keyEnd, scan.last->valueBegin - scan.last->keyEnd));
      insert_at = resume_at = scan.last->valueEnd;
      prefix = ",";
      prefix += lead;
    } else {
      // An empty object: its member one step deeper than the line of its brace.
      const std::string indent(LineIndent(text, object));
      insert_at = object + 1;
      resume_at = scan.close;
      prefix = "\n";
      prefix += indent;
      prefix += "  ";
      tail += "\n";
      tail += indent;
    }
    edited.reserve(text.size() + prefix.size() + member.size() + separator.size() + value.size() + tail.size());
    edited.append(text.substr(0, insert_at));
    edited.append(prefix);
    edited.append(member);
    edited.append(separator);
    edited.append(value);
    edited.append(tail);
    edited.append(text.substr(resume_at));
    return edited;
  }
  return std::string(text);
}
