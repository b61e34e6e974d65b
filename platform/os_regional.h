#pragma once
// The user's regional settings as the operating system keeps them.
#include <string>

namespace platform {

struct OsRegional {
  char decimal_separator = '.';
  char thousands_separator = ',';
  std::string short_date = "M/d/yyyy";   // Windows-style pattern
  std::string long_time = "h:mm:ss tt";  // Windows-style pattern
};

// POSIX: from the environment's locale (LC_NUMERIC, LC_TIME), patterns translated to the
// Windows-style letters; the defaults above when the locale says nothing usable.
OsRegional ReadOsRegional();

}  // namespace platform
