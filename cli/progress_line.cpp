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

std::string WritingText(const std::vector<ProgressLine::Book>& books) {
  std::string text = "talmero-criticar: Gravando ";
  text += books.size() == 1 ? "pasta de trabalho " : "pastas de trabalho ";
  for (std::size_t i = 0; i < books.size(); ++i) {
    if (i > 0) text += ", ";
    text += books[i].name + "…";
    if (books[i].total > 0) {
      text += ' ' + std::to_string(std::min(books[i].done, books[i].total) * 100 / books[i].total) +
              '%';
    }
  }
  return text;
}

void ProgressLine::Update(std::string_view phase, std::uint64_t done, std::uint64_t total,
                          Clock::time_point now) {
  if (!enabled_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  Draw(ProgressText(phase, done, total), false, now);
}

void ProgressLine::Writing(std::string_view name, std::uint64_t done, std::uint64_t total,
                           Clock::time_point now) {
  if (!enabled_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  auto it =
      std::find_if(books_.begin(), books_.end(), [name](const Book& b) { return b.name == name; });
  const bool added = it == books_.end();
  if (added) it = books_.insert(books_.end(), Book{std::string(name)});
  it->done = done;
  it->total = total;
  Draw(WritingText(books_), added, now);
}

void ProgressLine::Written(std::string_view name) {
  if (!enabled_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(books_, [name](const Book& b) { return b.name == name; });
  if (books_.empty()) {
    ClearLocked();
  } else {
    Draw(WritingText(books_), true, Clock::now());
  }
}

void ProgressLine::Draw(const std::string& text, bool at_once, Clock::time_point now) {
  if (!at_once && drawn_ && now - last_ < kInterval) return;
  drawn_ = true;
  last_ = now;
  const std::size_t length = Utf8Length(text);
  // A shorter text leaves no tail of the longer one before it.
  std::string line = '\r' + text + std::string(shown_ > length ? shown_ - length : 0, ' ');
  if (shown_ > length) line += '\r' + text;
  err_.write(line.data(), static_cast<std::streamsize>(line.size()));
  err_.flush();
  shown_ = length;
}

void ProgressLine::Clear() {
  const std::lock_guard<std::mutex> lock(mutex_);
  ClearLocked();
}

void ProgressLine::ClearLocked() {
  if (shown_ == 0) return;
  const std::string blank = '\r' + std::string(shown_, ' ') + '\r';
  err_.write(blank.data(), static_cast<std::streamsize>(blank.size()));
  err_.flush();
  shown_ = 0;
}

}  // namespace cli
