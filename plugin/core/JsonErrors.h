// The JSON library's error texts, reduced to what a person reads: without the
// "[json.exception.type_error.302] " id and, for the reason alone, without the
// "(/pointer) " that the library's diagnostics put before it.
#pragma once

#include <string>
#include <string_view>

// `what` without its "[json.exception...] " id; other texts unchanged.
std::string_view WithoutJsonErrorId(std::string_view what);

// The error without its id, its place first where the library's diagnostics
// name one: "/Commands/Health_Chat/Enabled: type must be boolean, but is
// string"; other texts unchanged.
std::string JsonErrorWithPlace(std::string_view what);

// The reason of a JSON library error without its id and without the
// "(/pointer) " of the library's diagnostics; other texts unchanged.
std::string JsonErrorReason(std::string_view what);
