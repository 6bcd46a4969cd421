// Text from players or files as it may stand in a log line: every control
// character written as a visible escape, so that no line break or terminal
// sequence in a name or a typed line can forge a line or hide one.
#pragma once

#include <string>
#include <string_view>

// `text` (UTF-8) with a backslash as "\\", tab, line feed and carriage return
// as "\t", "\n" and "\r", any other character below U+0020 and DEL as "\xHH",
// and the C1 controls U+0080 to U+009F as "\u0080" to "\u009f". Every other
// byte stays as it is, so that the escaped text reads back to the original.
std::string EscapeLogText(std::string_view text);
