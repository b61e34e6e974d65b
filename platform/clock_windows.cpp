#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/clock.h"

namespace platform {

LocalDateTime LocalNow() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return LocalDateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace platform
