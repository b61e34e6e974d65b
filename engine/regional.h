#pragma once
// Regional settings as a value: separators of numbers and the patterns of the time stamp.

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace engine {

struct Regional {
  char decimal_separator = ',';
  char thousands_separator = '.';
  std::string short_date = "dd/MM/yyyy";  // Windows-style pattern letters
  std::string long_time = "HH:mm:ss";

  static Regional PtBr();    // ".", ",", dd/MM/yyyy, HH:mm:ss
  static Regional EnUs();    // ",", ".", M/d/yyyy, h:mm:ss tt
  static Regional System();  // the operating system's settings
  // The same; `note` gets a sentence (UTF-8) when the system lacks the pt_BR locale its
  // environment asks for and the built-in pt_BR settings stand in for it, else is cleared.
  static Regional System(std::string* note);
  // "pt_BR", "en_US" or "sistema"; false for any other name.
  static bool FromName(std::string_view name, Regional* out);
};

// Formats a date and time by a Windows-style pattern: d dd M MM yy yyyy h hh H HH m mm s ss
// t tt (AM/PM); text in single or double quotes is copied; other characters are copied as is.
std::string FormatDateTime(std::string_view pattern, const platform::LocalDateTime& when);

// "YYYY-MM-DDThh:mm:ss": a moment as the JSON result and the history keep it.
std::string IsoDateTime(const platform::LocalDateTime& t);

// The report's time stamp: short date, a blank and long time; at exactly midnight the blank and
// the time are left out.
std::string TimeStamp(const Regional& regional, const platform::LocalDateTime& when);

}  // namespace engine
