#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <string>

#include "platform/os_regional.h"

namespace platform {
namespace {

// strftime conversions to the Windows-style pattern letters used by the report's time stamps.
std::string TranslatePattern(const std::string& posix) {
  std::string out;
  for (std::size_t i = 0; i < posix.size(); ++i) {
    if (posix[i] != '%' || i + 1 == posix.size()) {
      out += posix[i];
      continue;
    }
    char c = posix[++i];
    if (c == 'E' || c == 'O') {  // alternative-representation modifiers
      if (i + 1 == posix.size()) break;
      c = posix[++i];
    }
    switch (c) {
      case 'd':
        out += "dd";
        break;
      case 'e':
        out += "d";
        break;
      case 'm':
        out += "MM";
        break;
      case 'Y':
        out += "yyyy";
        break;
      case 'y':
        out += "yy";
        break;
      case 'H':
        out += "HH";
        break;
      case 'k':
        out += "H";
        break;
      case 'I':
        out += "hh";
        break;
      case 'l':
        out += "h";
        break;
      case 'M':
        out += "mm";
        break;
      case 'S':
        out += "ss";
        break;
      case 'p':
        out += "tt";
        break;
      case 'D':
        out += "MM/dd/yy";
        break;
      case 'F':
        out += "yyyy-MM-dd";
        break;
      case 'T':
        out += "HH:mm:ss";
        break;
      case 'R':
        out += "HH:mm";
        break;
      case 'r':
        out += "hh:mm:ss tt";
        break;
      case '%':
        out += '%';
        break;
      default:
        break;  // week days, month names, zones: not part of a short date
    }
  }
  return out;
}

// The locale the environment names for numbers (and times), as setlocale(LC_NUMERIC, "") reads
// it: LC_ALL, else LC_NUMERIC, else LANG.
std::string LocaleAskedFor() {
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

}  // namespace

OsRegional ReadOsRegional() {
  OsRegional settings;
  locale_t loc = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) {
    // A locale the system lacks: Brazilian Portuguese is the one the program knows by itself.
    const std::string asked = LocaleAskedFor();
    if (asked.rfind("pt_BR", 0) == 0) {
      settings = OsRegional{',', '.', "dd/MM/yyyy", "HH:mm:ss", asked};
    }
    return settings;
  }
  const std::string radix = nl_langinfo_l(RADIXCHAR, loc);
  const std::string thousands = nl_langinfo_l(THOUSEP, loc);
  const std::string date = nl_langinfo_l(D_FMT, loc);
  const std::string time = nl_langinfo_l(T_FMT, loc);
  // The C locale has no grouping character; keep the default then. Multi-byte separators
  // (a narrow no-break space) do not fit the single-byte report and fall back too.
  if (radix.size() == 1) settings.decimal_separator = radix[0];
  if (thousands.size() == 1 && thousands[0] != settings.decimal_separator) {
    settings.thousands_separator = thousands[0];
  } else if (settings.decimal_separator == ',') {
    settings.thousands_separator = '.';
  }
  if (!date.empty() && date != "%m/%d/%y") settings.short_date = TranslatePattern(date);
  if (!time.empty() && time != "%H:%M:%S") settings.long_time = TranslatePattern(time);
  freelocale(loc);
  return settings;
}

}  // namespace platform
