#pragma once
// The runner's progress line on standard error: the phase of the run and the share of the
// current file walked, rewritten in place ("\r") at most ten times a second; after the walk, the
// workbooks being written ("Gravando pasta de trabalho detalhes.xlsx…"), which may take many
// seconds. Clear() blanks it before any other message is written, so notices and errors never
// share a line with it. The workbooks may be told from the threads that write them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

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
  // The workbook `name` (its file's name, UTF-8) is being written: `done` of `total` (0: unknown)
  // of its rows. Drawn at once when the workbook is new, else as Update().
  void Writing(std::string_view name, std::uint64_t done = 0, std::uint64_t total = 0,
               Clock::time_point now = Clock::now());
  // The workbook `name` is written: the line shows the others, or nothing.
  void Written(std::string_view name);
  // Blanks the line, if one shows, and puts the cursor at the start of it.
  void Clear();

  // A workbook being written.
  struct Book {
    std::string name;
    std::uint64_t done = 0;
    std::uint64_t total = 0;
  };

 private:
  // Draws `text` when `at_once` or no line was drawn within kInterval before `now`.
  void Draw(const std::string& text, bool at_once, Clock::time_point now);
  void ClearLocked();

  std::mutex mutex_;
  std::vector<Book> books_;
  std::ostream& err_;
  bool enabled_;
  std::size_t shown_ = 0;  // characters on the line now
  bool drawn_ = false;
  Clock::time_point last_{};
};

// "talmero-criticar: PHASE NN%" (UTF-8), or without the share when `total` is 0.
std::string ProgressText(std::string_view phase, std::uint64_t done, std::uint64_t total);
// "talmero-criticar: Gravando pasta de trabalho a.xlsx… NN%", "...pastas de trabalho a.xlsx…,
// b.xlsx… NN%": each book's share where it is known.
std::string WritingText(const std::vector<ProgressLine::Book>& books);

}  // namespace cli
