#include "orvanel/core/AsciiCase.h"

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& character : lower) character = AsciiLower(character);
  return lower;
}
