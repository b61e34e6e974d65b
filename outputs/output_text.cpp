#include "outputs/output_text.h"

#include <cstdint>

namespace outputs {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at `i`, or 0.
std::size_t SequenceAt(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte (no overlong form, no surrogate)
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = SequenceAt(text, i);
    if (length == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

std::string HtmlEscaped(const std::string& text) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  out.reserve(valid.size() * 2);
  for (const char ch : valid) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '\t':
      case '\n':
      case '\r':
        out += ch;
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          // U+2400 + c, and U+2421 for DEL: E2 90 80+c, E2 90 A1.
          out += "\xE2\x90";
          out += static_cast<char>(c == 0x7F ? 0xA1 : 0x80 + c);
        } else {
          out += ch;
        }
    }
  }
  return out;
}

}  // namespace outputs
