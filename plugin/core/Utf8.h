// UTF-8 and 16-bit text (the engine's code units, surrogate pairs included),
// both ways, for any 16-bit character type. A lone surrogate, or a byte that
// begins no character, becomes the caller's replacement character.
#pragma once

#include <string>
#include <string_view>

template <typename Unit>
std::string EncodeUtf8(std::basic_string_view<Unit> text, char32_t replacement) {
  static_assert(sizeof(Unit) == 2, "16-bit code units");
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = static_cast<char16_t>(text[i]);
    const char32_t next = i + 1 < text.size() ? static_cast<char16_t>(text[i + 1]) : 0;
    if (code >= 0xD800 && code <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = replacement;
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

// Overlong forms, surrogates and code points beyond U+10FFFF are no
// characters: each of their bytes is taken apart as a byte that begins none.
template <typename Unit>
std::basic_string<Unit> DecodeUtf8(std::string_view text, char32_t replacement) {
  static_assert(sizeof(Unit) == 2, "16-bit code units");
  // Never more 16-bit units than bytes: the text is written in place and cut
  // to its length at the end.
  std::basic_string<Unit> out(text.size(), Unit(0));
  std::size_t length = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out[length++] = static_cast<Unit>(lead);
      ++i;
      continue;
    }
    const int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    char32_t code = extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80)
        valid = false;
      else
        code = (code << 6) | (next & 0x3F);
    }
    if (valid && ((extra == 1 && code < 0x80) || (extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000) ||
                  code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
      valid = false;
    if (!valid) {
      out[length++] = static_cast<Unit>(replacement);
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      out[length++] = static_cast<Unit>(0xD800 + ((code - 0x10000) >> 10));
      out[length++] = static_cast<Unit>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out[length++] = static_cast<Unit>(code);
    }
    i += 1 + static_cast<std::size_t>(extra);
  }
  out.resize(length);
  return out;
}
