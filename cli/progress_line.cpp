#include "cli/progress_line.h"

#include <algorithm>

#include "engine/text.h"

namespace cli {
namespace {

// Characters, not bytes, decide how many blanks cover the text.
std::size_t Utf8Length(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

std::string ProgressText(std::string_view phase, std::uint64_t done, std::uint64_t total) {
  std::string text = "talmero-criticar: " + engine::Win1252ToUtf8(phase);
  if (total > 0) {
    text += ' ' + std::to_string(std::min<std::uint64_t>(done, total) * 100 / total) + '%';
  }
  return text;
}

void ProgressLine::Update(std::string_view phase, std::uint64_t done, std::uint64_t total,
                          Clock::time_point now) {
  if (!enabled_ || (drawn_ && now - last_ < kInterval)) return;
  drawn_ = true;
  last_ = now;
  const std::string text = ProgressText(phase, done, total);
  const std::size_t length = Utf8Length(text);
  // A shorter text leaves no tail of the longer one before it.
  std::string line = '\r' + text + std::string(shown_ > length ? shown_ - length : 0, ' ');
  if (shown_ > length) line += '\r' + text;
  err_.write(line.data(), static_cast<std::streamsize>(line.size()));
  err_.flush();
  shown_ = length;
}

void ProgressLine::Clear() {
  if (shown_ == 0) return;
  const std::string blank = '\r' + std::string(shown_, ' ') + '\r';
  err_.write(blank.data(), static_cast<std::streamsize>(blank.size()));
  err_.flush();
  shown_ = 0;
}

}  // namespace cli
