#pragma once
// The local date and time, the one clock of the program (tests use a fixed one instead).

namespace platform {

struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

LocalDateTime LocalNow();

}  // namespace platform
