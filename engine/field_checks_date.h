#pragma once
// The date check's judgement of a text written YYYYMMDD, inline for the record loop: eight plain
// digits, by far the usual case, are read at once; anything else goes out of line.

#include <cstdint>
#include <string_view>

#include "engine/field_checks.h"
#include "engine/field_checks_words.h"

namespace engine {

// What the date check makes of a text.
enum class DateVerdict { kValid, kRejected, kImpossible };  // impossible: the notice is due

// Year, month and day by the integer conversion of text[0, 4), [4, 6) and [6, 8); false when a
// part does not convert (a part past the text's end is empty and does not).
bool SplitOddDate(std::string_view text, int* year, int* month, int* day);

inline bool IsCalendarDate(int year, int month, int day) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int length = (month == 2 && leap) ? 29 : kDays[month - 1];
  return day <= length;
}

// Year, month and day as SplitOddDate() reads them, eight plain digits at once.
[[gnu::always_inline]] inline bool SplitDate(std::string_view text, int* year, int* month,
                                             int* day) {
  return (words::kUsable && text.size() >= 8 &&
          words::EightDigits(words::Load8(text.data()), year, month, day)) ||
         SplitOddDate(text, year, month, day);
}

[[gnu::always_inline]] inline DateVerdict JudgeDate(std::string_view text, int current_year) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (!SplitDate(text, &year, &month, &day) || year < kFirstDateYear ||
      year > current_year + kDateYearsAhead) {
    return DateVerdict::kRejected;
  }
  return IsCalendarDate(year, month, day) ? DateVerdict::kValid : DateVerdict::kImpossible;
}

}  // namespace engine
