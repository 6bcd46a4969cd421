// ASCII letter case, for words compared without regard to it (the words of the
// read stages, command texts and names in the checker's hints): only the
// letters A to Z change, whatever the process's locale.
#pragma once

#include <string>
#include <string_view>

constexpr char AsciiLower(char character) {
  return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

std::string AsciiLower(std::string_view text);
