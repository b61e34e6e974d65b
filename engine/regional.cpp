#include "engine/regional.h"

#include <cstdio>

#include "platform/os_regional.h"

namespace engine {
namespace {

void AppendNumber(std::string& out, int value, int min_digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", min_digits, value);
  out += buffer;
}

}  // namespace

Regional Regional::PtBr() { return Regional{',', '.', "dd/MM/yyyy", "HH:mm:ss"}; }

Regional Regional::EnUs() { return Regional{'.', ',', "M/d/yyyy", "h:mm:ss tt"}; }

Regional Regional::System() {
  std::string ignored;
  return System(&ignored);
}

Regional Regional::System(std::string* note) {
  const platform::OsRegional os = platform::ReadOsRegional();
  note->clear();
  if (!os.missing_pt_br.empty()) {
    *note = "a localidade " + os.missing_pt_br +
            " não está instalada neste sistema; usados os formatos de pt_BR do programa";
  }
  return Regional{os.decimal_separator, os.thousands_separator, os.short_date, os.long_time};
}

bool Regional::FromName(std::string_view name, Regional* out) {
  if (name == "pt_BR") {
    *out = PtBr();
  } else if (name == "en_US") {
    *out = EnUs();
  } else if (name == "sistema") {
    *out = System();
  } else {
    return false;
  }
  return true;
}

std::string FormatDateTime(std::string_view pattern, const platform::LocalDateTime& when) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '\'' || c == '"') {
      const std::size_t end = pattern.find(c, i + 1);
      const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
      out += pattern.substr(i + 1, stop - i - 1);
      i = stop == pattern.size() ? stop : stop + 1;
      continue;
    }
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    const int width = run >= 2 ? 2 : 1;
    switch (c) {
      case 'd':
        AppendNumber(out, when.day, width);
        break;
      case 'M':
        AppendNumber(out, when.month, width);
        break;
      case 'y':
        if (run <= 2) {
          AppendNumber(out, when.year % 100, 2);
        } else {
          AppendNumber(out, when.year, 4);
        }
        break;
      case 'H':
        AppendNumber(out, when.hour, width);
        break;
      case 'h':
        AppendNumber(out, when.hour % 12 == 0 ? 12 : when.hour % 12, width);
        break;
      case 'm':
        AppendNumber(out, when.minute, width);
        break;
      case 's':
        AppendNumber(out, when.second, width);
        break;
      case 't':
        out += when.hour < 12 ? 'A' : 'P';
        if (run >= 2) out += 'M';
        break;
      default:
        out.append(run, c);
        break;
    }
    i += run;
  }
  return out;
}

std::string TimeStamp(const Regional& regional, const platform::LocalDateTime& when) {
  std::string stamp = FormatDateTime(regional.short_date, when);
  if (when.hour != 0 || when.minute != 0 || when.second != 0) {
    stamp += ' ';
    stamp += FormatDateTime(regional.long_time, when);
  }
  return stamp;
}

std::string IsoDateTime(const platform::LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace engine
