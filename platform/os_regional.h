#pragma once
// The user's regional settings as the operating system keeps them.
#include <string>

namespace platform {

struct OsRegional {
  char decimal_separator = '.';
  char thousands_separator = ',';
  std::string short_date = "M/d/yyyy";   // Windows-style pattern
  std::string long_time = "h:mm:ss tt";  // Windows-style pattern
  // POSIX: the pt_BR locale the environment asks for (LANG=pt_BR.UTF-8) when the system does not
  // have it; the settings are then Brazilian Portuguese's own, not the defaults above. Empty
  // otherwise.
  std::string missing_pt_br;
};

// POSIX: from the environment's locale (LC_NUMERIC, LC_TIME), patterns translated to the
// Windows-style letters; the defaults above when the locale says nothing usable, except for a
// pt_BR locale asked for and missing (missing_pt_br).
OsRegional ReadOsRegional();

}  // namespace platform
