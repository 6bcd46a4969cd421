#include "orvanel/host/Text.h"

#include <cwchar>
#include <locale>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "orvanel/core/Utf8.h"

std::string NarrowText(const FString& text) {
  const WideStringView characters = text.View();
  std::string narrow;
  if (characters.empty()) return narrow;
  const auto& facet = std::use_facet<std::ctype<wchar_t>>(std::locale());
  narrow.reserve(characters.size());
  for (const TCHAR character : characters) narrow.push_back(facet.narrow(static_cast<wchar_t>(character), '?'));
  return narrow;
}

WideString WidenSystemText(std::string_view text) {
  WideString wide;
  if (text.empty()) return wide;
#if defined(_WIN32)
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  wide.resize(static_cast<std::size_t>(length));
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
#else
  std::mbstate_t state{};
  std::size_t at = 0;
  while (at < text.size()) {
    wchar_t character = 0;
    const std::size_t used = std::mbrtowc(&character, text.data() + at, text.size() - at, &state);
    if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
      wide.push_back(u'?');
      state = std::mbstate_t{};
      ++at;
      continue;
    }
    if (used == 0) {  // an embedded NUL
      wide.push_back(0);
      ++at;
      continue;
    }
    const auto code = static_cast<char32_t>(character);
    if (code >= 0x10000 && code <= 0x10FFFF) {
      wide.push_back(static_cast<TCHAR>(0xD800 + ((code - 0x10000) >> 10)));
      wide.push_back(static_cast<TCHAR>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else if (code > 0x10FFFF) {
      wide.push_back(u'?');
    } else {
      wide.push_back(static_cast<TCHAR>(code));
    }
    at += used;
  }
#endif
  return wide;
}

WideString WidenAsciiText(std::string_view text) {
  WideString wide;
  wide.reserve(text.size());
  for (const char byte : text)
    wide.push_back(static_cast<unsigned char>(byte) < 0x80 ? static_cast<TCHAR>(byte) : TCHAR('?'));
  return wide;
}

WideString WidenUtf8Text(std::string_view text) { return DecodeUtf8<TCHAR>(text, U'?'); }

std::string Utf8Text(const FString& text) { return EncodeUtf8(text.View(), U'?'); }
