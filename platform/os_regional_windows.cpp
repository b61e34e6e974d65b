// Windows: the user's own regional settings, including what the user changed in the Control
// Panel, read with GetLocaleInfoA for the user's default locale. The patterns already use the
// letters the report's time stamps understand.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "platform/os_regional.h"

namespace platform {
namespace {

// The value of one locale item in the ANSI code page; empty when the system does not give it.
std::string LocaleItem(LCTYPE item) {
  char buffer[128] = {};
  const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buffer, static_cast<int>(sizeof buffer));
  if (n <= 1) return {};  // the count includes the terminating zero
  return std::string(buffer, static_cast<std::size_t>(n - 1));
}

}  // namespace

OsRegional ReadOsRegional() {
  OsRegional settings;
  const std::string decimal = LocaleItem(LOCALE_SDECIMAL);
  const std::string thousands = LocaleItem(LOCALE_STHOUSAND);
  // The report's number style takes single characters; a longer separator keeps the default.
  if (decimal.size() == 1) settings.decimal_separator = decimal[0];
  if (thousands.size() == 1 && thousands[0] != settings.decimal_separator) {
    settings.thousands_separator = thousands[0];
  } else if (settings.decimal_separator == settings.thousands_separator) {
    settings.thousands_separator = settings.decimal_separator == ',' ? '.' : ',';
  }
  const std::string date = LocaleItem(LOCALE_SSHORTDATE);
  const std::string time = LocaleItem(LOCALE_STIMEFORMAT);
  if (!date.empty()) settings.short_date = date;
  if (!time.empty()) settings.long_time = time;
  return settings;
}

}  // namespace platform
