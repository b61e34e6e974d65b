#include "ui/window_run_host.h"

#include <QMetaObject>
#include <utility>

namespace ui {

WindowRunHost::WindowRunHost(RunOutputSink& sink, RunInputs inputs)
    : sink_(sink), inputs_(std::move(inputs)) {}

WindowRunHost::~WindowRunHost() = default;

void WindowRunHost::Post(RunOutput output) {
  std::lock_guard lock(mutex_);
  pending_.push_back(std::move(output));
  if (flush_queued_) return;  // the queued flush will take this one too
  flush_queued_ = true;
  QMetaObject::invokeMethod(
      &relay_, [this] { Flush(); }, Qt::QueuedConnection);
}

void WindowRunHost::Flush() {
  std::vector<RunOutput> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(pending_);
    flush_queued_ = false;
  }
  if (!batch.empty()) sink_.ApplyRunOutput(batch);
}

void WindowRunHost::ClearLog() { Post({RunOutput::Kind::kClear, {}, 0, 0}); }

void WindowRunHost::AppendLine(std::string_view line) {
  Post({RunOutput::Kind::kAppend, std::string(line), 0, 0});
}

void WindowRunHost::ReplaceLine(std::size_t index, std::string_view line) {
  Post({RunOutput::Kind::kReplace, std::string(line), index, 0});
}

void WindowRunHost::SetProgress(int position) {
  Post({RunOutput::Kind::kProgress, {}, 0, position});
}

void WindowRunHost::ShowInvalidDate(std::string_view message) {
  if (notices_silenced_.load()) return;
  const std::string text(message);
  bool silence = false;
  // The lines written before the notice are shown before it; the worker waits for the box.
  QMetaObject::invokeMethod(
      &relay_,
      [this, &text, &silence] {
        Flush();
        silence = sink_.AskInvalidDate(text);
      },
      Qt::BlockingQueuedConnection);
  if (silence) notices_silenced_.store(true);
}

}  // namespace ui
