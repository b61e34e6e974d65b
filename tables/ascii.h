#pragma once
// The small ASCII text helpers every layer uses: trimming and comparing names without regard to
// case. Only ASCII letters fold; other bytes (Windows-1252 accents) compare as they are, which is
// what the file formats' names and the catalogue's codes need, whatever the system's locale.

#include <cstddef>
#include <string_view>

namespace tables {

// A blank or a control character (codes 0 to 32).
constexpr bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Without blanks and control characters at either end.
constexpr std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

// Without trailing blanks (code 32 only).
constexpr std::string_view TrimmedRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

constexpr char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

constexpr bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace tables
