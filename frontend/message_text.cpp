#include "frontend/message_text.h"

#include "engine/error_explanation.h"
#include "engine/report.h"
#include "engine/text.h"

namespace frontend {

std::string DisplayLine(std::string_view line) {
  std::string text = engine::Win1252ToUtf8(line);
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return text;
}

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      code = lead & 0x07u;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

std::string DecodeMessage(std::string_view message) {
  bool ascii = true;
  for (char c : message) {
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
  }
  if (!ascii && IsUtf8(message)) return std::string(message);
  return engine::Win1252ToUtf8(message);
}

std::string PathInMessage(std::string_view path) {
  return engine::Utf8ToWin1252(engine::TypedToUtf8(path));
}

std::string ErrorBoxMessage(std::string_view message) {
  return DecodeMessage(engine::ErrorBoxText(message));
}

std::string ErrorBoxMessage(std::string_view message, std::string_view explanation) {
  std::string text = ErrorBoxMessage(message);
  if (!explanation.empty()) text += "\n\n" + engine::CauseText(explanation);
  return text;
}

}  // namespace frontend
