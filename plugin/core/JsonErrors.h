// The JSON library's error texts, reduced to what a person reads: without the
// "[json.exception.type_error.302] " id, in the operator's words rather than
// the library's, and, for the reason alone, without the place the library names.
#pragma once

#include <string>
#include <string_view>

// `what` without its "[json.exception...] " id; other texts unchanged.
std::string_view WithoutJsonErrorId(std::string_view what);

// What a person calls a value of the library's type `type_name`: "a number",
// "a text in quotes", "true or false", "a list in [ ]", "an object in { }", "null".
std::string PlainTypeWords(std::string_view type_name);

// The error in plain words, its place first where the library names one: a
// pointer ("/Commands/Health_Chat/Enabled: must be true or false, not a text in
// quotes") or, for a parse error, a line and column ("line 3, column 42: found
// '}' where a key in double quotes should be"); other texts unchanged.
std::string JsonErrorWithPlace(std::string_view what);

// The reason of a JSON library error in plain words, without its id and
// without the place the library names; other texts unchanged.
std::string JsonErrorReason(std::string_view what);
