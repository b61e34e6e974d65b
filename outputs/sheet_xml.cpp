#include "outputs/sheet_xml.h"

#include <array>
#include <charconv>

namespace outputs {
namespace {

void AppendNumber(std::string& out, std::uint64_t n) {
  std::array<char, 24> digits;
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), n).ptr;
  out.append(digits.data(), end);
}

// Whether `c` is a control character XML cannot hold as it is.
constexpr bool Control(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n'; }

// A blank at either end is kept only when the element says so.
bool KeepsSpace(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  return !text.empty() && (blank(text.front()) || blank(text.back()));
}

void AppendStyle(std::string& out, unsigned style) {
  if (style == 0) return;
  out += " s=\"";
  AppendNumber(out, style);
  out += '"';
}

void AppendReference(std::string& out, std::string_view row, std::uint32_t col) {
  if (col < 26) {
    out += static_cast<char>('A' + col);
  } else {
    AppendColumnLetters(out, col);
  }
  out += row;
}

}  // namespace

void AppendColumnLetters(std::string& out, std::uint32_t col) {
  std::array<char, 8> letters;
  std::size_t n = 0;
  for (std::uint64_t c = std::uint64_t{col} + 1; c > 0; c = (c - 1) / 26) {
    letters[n++] = static_cast<char>('A' + (c - 1) % 26);
  }
  while (n > 0) out += letters[--n];
}

void AppendCellReference(std::string& out, std::uint32_t row, std::uint32_t col) {
  AppendColumnLetters(out, col);
  AppendNumber(out, std::uint64_t{row} + 1);
}

void AppendXmlText(std::string& out, std::string_view utf8) {
  // The bytes that are not written as they are.
  static constexpr auto kSpecial = [] {
    std::array<bool, 256> special{};
    for (unsigned c = 0; c < 0x20; ++c) special[c] = Control(static_cast<unsigned char>(c));
    for (const char c : {'&', '<', '>', '"'}) special[static_cast<unsigned char>(c)] = true;
    return special;
  }();
  std::size_t plain = 0;  // the start of the bytes not yet appended
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (!kSpecial[c]) continue;
    std::string_view entity;
    if (c == '&') {
      entity = "&amp;";
    } else if (c == '<') {
      entity = "&lt;";
    } else if (c == '>') {
      entity = "&gt;";
    } else if (c == '"') {
      entity = "&quot;";
    } else if (!Control(c)) {
      continue;
    }
    out.append(utf8.data() + plain, i - plain);
    plain = i + 1;
    if (!entity.empty()) {
      out += entity;
      continue;
    }
    constexpr std::string_view kHex = "0123456789ABCDEF";
    out += "_x00";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
    out += '_';
  }
  out.append(utf8.data() + plain, utf8.size() - plain);
}

void RowNumber(std::uint32_t row, std::string* digits) {
  digits->clear();
  AppendNumber(*digits, std::uint64_t{row} + 1);
}

void AppendRowStart(std::string& out, std::string_view row) {
  out += "<row r=\"";
  out += row;
  out += "\">";
}

void AppendRowEnd(std::string& out) { out += "</row>"; }

namespace {

// `<c r="B7" s="1"`: a cell's element up to its type.
void AppendCellHead(std::string& out, std::string_view row, std::uint32_t col, unsigned style) {
  out += "<c r=\"";
  AppendReference(out, row, col);
  out += '"';
  AppendStyle(out, style);
}

}  // namespace

void AppendTextCell(std::string& out, std::string_view row, std::uint32_t col,
                    std::string_view utf8, unsigned style) {
  AppendCellHead(out, row, col, style);
  out += KeepsSpace(utf8) ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                          : " t=\"inlineStr\"><is><t>";
  AppendXmlText(out, utf8);
  out += "</t></is></c>";
}

void AppendNumberCell(std::string& out, std::string_view row, std::uint32_t col,
                      std::string_view digits, unsigned style) {
  AppendCellHead(out, row, col, style);
  out += "><v>";
  out += digits;
  out += "</v></c>";
}

std::string NumberDigits(double value) {
  std::array<char, 32> digits;
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
  return std::string(digits.data(), end);
}

}  // namespace outputs
