#pragma once
// The runner's progress line on standard error: the phase of the run and the share of the
// current file walked, rewritten in place ("\r") at most ten times a second. Clear() blanks it
// before any other message is written, so notices and errors never share a line with it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace cli {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterval{100};

  // `enabled` false: the line never appears (every call does nothing).
  ProgressLine(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}

  // `phase` in Windows-1252; `total` 0 shows the phase alone. Drawn when no line was drawn
  // within kInterval before `now`.
  void Update(std::string_view phase, std::uint64_t done, std::uint64_t total,
              Clock::time_point now = Clock::now());
  // Blanks the line, if one shows, and puts the cursor at the start of it.
  void Clear();

 private:
  std::ostream& err_;
  bool enabled_;
  std::size_t shown_ = 0;  // characters on the line now
  bool drawn_ = false;
  Clock::time_point last_{};
};

// "talmero-criticar: PHASE NN%" (UTF-8), or without the share when `total` is 0.
std::string ProgressText(std::string_view phase, std::uint64_t done, std::uint64_t total);

}  // namespace cli
