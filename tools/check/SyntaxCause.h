// The likely cause of a JSON syntax error, told from the text around the place
// where the parse stopped: a missing comma, a comma after the last member or
// element, a comment, single quotes, a key without quotes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace check {

struct SyntaxCause {
  std::size_t offset;   // where the fix goes
  std::string message;  // "likely cause: ..."
};

// `stop` is the offset of the last byte the parser read and `reason` the
// library's message, which says what it was parsing; nothing when no cause
// is recognised.
std::optional<SyntaxCause> LikelySyntaxCause(std::string_view text, std::size_t stop, std::string_view reason);

}  // namespace check
