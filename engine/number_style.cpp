#include "engine/number_style.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace engine {
namespace {

constexpr int kFormDigits = 18;  // digits of the decimal form that rounding starts from
constexpr int kMaxSignificant = 15;

}  // namespace

std::string FormatNumber(double value, int decimals, const Regional& regional) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  decimals = std::clamp(decimals, 0, 18);

  // The decimal form to 18 significant digits: 0.D1D2...D18 x 10^(exponent + 1).
  char form[40];
  std::snprintf(form, sizeof form, "%.*e", kFormDigits - 1, std::fabs(value));
  std::string digits;
  const char* p = form;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  int exponent = std::atoi(p + 1);  // value = D1.D2... x 10^exponent
  int int_digits = exponent + 1;    // digits before the decimal point
  if (value == 0.0) {
    digits.assign(kFormDigits, '0');
    int_digits = 1;
  }

  // Keep the digits up to the last decimal, at most 15 significant ones, and raise the last
  // kept digit by one when the first cut digit is 5 or more (halves away from zero).
  int keep = std::min(kMaxSignificant, int_digits + decimals);
  bool round_up = false;
  if (keep < 0) {
    digits.clear();
  } else if (keep < kFormDigits) {
    round_up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
  }
  if (round_up) {
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0 && digits[static_cast<std::size_t>(i)] == '9'; --i) {
      digits[static_cast<std::size_t>(i)] = '0';
    }
    if (i >= 0) {
      ++digits[static_cast<std::size_t>(i)];
    } else {
      digits.insert(digits.begin(), '1');  // 9.99 -> 10.0: one more integer digit
      ++int_digits;
    }
  }

  // Lay the kept digits out as integer part and decimals; positions beyond them are zeros.
  std::string integer_part = "0";
  std::string fraction(static_cast<std::size_t>(decimals), '0');
  if (int_digits > 0) {
    // digits[0] is the first integer digit.
    integer_part.assign(static_cast<std::size_t>(int_digits), '0');
    for (std::size_t i = 0; i < digits.size(); ++i) {
      if (i < integer_part.size()) {
        integer_part[i] = digits[i];
      } else if (i - integer_part.size() < fraction.size()) {
        fraction[i - integer_part.size()] = digits[i];
      }
    }
  } else {
    // The kept digits start -int_digits places after the decimal point.
    for (std::size_t i = 0; i < digits.size(); ++i) {
      const std::size_t at = static_cast<std::size_t>(-int_digits) + i;
      if (at < fraction.size()) fraction[at] = digits[i];
    }
  }
  // Strip leading zeros of the integer part (keep one).
  std::size_t nz = integer_part.find_first_not_of('0');
  integer_part = nz == std::string::npos ? "0" : integer_part.substr(nz);

  std::string out;
  const bool is_zero = integer_part == "0" && fraction.find_first_not_of('0') == std::string::npos;
  if (value < 0 && !is_zero) out += '-';
  for (std::size_t i = 0; i < integer_part.size(); ++i) {
    if (i > 0 && (integer_part.size() - i) % 3 == 0) out += regional.thousands_separator;
    out += integer_part[i];
  }
  if (decimals > 0) {
    out += regional.decimal_separator;
    out += fraction;
  }
  return out;
}

std::string CountText(std::uint64_t magnitude, bool negative) {
  std::string text;
  for (int digit = 0; digit == 0 || magnitude > 0; ++digit) {
    if (digit > 0 && digit % 3 == 0) text += '.';
    text += static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  if (negative) text += '-';
  return {text.rbegin(), text.rend()};
}

}  // namespace engine
