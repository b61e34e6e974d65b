#include "frontend/window_run_host.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace frontend {

WindowRunHost::WindowRunHost(RunView& view, std::vector<std::string>& report, RunInputs inputs,
                             std::function<void()> wake)
    : view_(view), report_(report), inputs_(std::move(inputs)), wake_(std::move(wake)) {
  if (!inputs_.invalid_date_notices) notices_silenced_.store(true);
}

WindowRunHost::~WindowRunHost() {
  if (worker_.joinable()) worker_.join();
}

void WindowRunHost::Start(engine::ValidationRun& run, AfterRun after) {
  worker_ = std::thread([this, &run, after = std::move(after)] {
    std::optional<std::string> error;
    try {
      run.Execute(*this);
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "Erro inesperado";
    }
    if (after) {
      try {
        after(error);
      } catch (...) {  // the run has ended all the same
      }
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    error_ = std::move(error);
    worker_ended_.store(true);
    WakeLocked();
  });
}

void WindowRunHost::WakeLocked() {
  if (flush_due_) return;  // the flush already asked for will take this too
  flush_due_ = true;
  wake_();
}

void WindowRunHost::Post(Output output) {
  std::lock_guard lock(mutex_);
  pending_.push_back(std::move(output));
  WakeLocked();
}

void WindowRunHost::ClearLog() { Post({Output::Kind::kClear, {}, 0, 0}); }

void WindowRunHost::AppendLine(std::string_view line) {
  Post({Output::Kind::kAppend, std::string(line), 0, 0});
}

void WindowRunHost::ReplaceLine(std::size_t index, std::string_view line) {
  Post({Output::Kind::kReplace, std::string(line), index, 0});
}

void WindowRunHost::SetProgress(int position) { Post({Output::Kind::kProgress, {}, 0, position}); }

std::string DatePlaceText(const engine::DatePlace& place) {
  return engine::DatePlaceText(place);  // as the runner's line tells it
}

void WindowRunHost::ShowInvalidDate(std::string_view message) { Notice(message, std::nullopt); }

void WindowRunHost::ShowInvalidDateAt(std::string_view message, const engine::DatePlace& place) {
  Notice(message, frontend::DatePlaceText(place));
}

void WindowRunHost::Notice(std::string_view message, std::optional<std::string> place) {
  if (notices_silenced_.load()) return;
  // The lines written before the notice are shown before it; the worker waits for the box.
  std::unique_lock lock(mutex_);
  notice_ = std::string(message);
  notice_place_ = std::move(place);
  notice_answered_ = false;
  WakeLocked();
  answered_.wait(lock, [this] { return notice_answered_; });
}

void WindowRunHost::Flush() {
  std::vector<Output> batch;
  std::optional<std::string> notice;
  std::optional<std::string> place;
  bool ended = false;
  {
    std::lock_guard lock(mutex_);
    batch.swap(pending_);
    notice.swap(notice_);
    place.swap(notice_place_);
    ended = ended_;
    flush_due_ = false;
  }
  Apply(batch);
  if (notice) {
    const bool silence =
        place ? view_.AskInvalidDateAt(*notice, *place) : view_.AskInvalidDate(*notice);
    if (silence) notices_silenced_.store(true);
    std::lock_guard lock(mutex_);
    notice_answered_ = true;
    answered_.notify_all();
  }
  if (ended && !finish_told_) {
    finish_told_ = true;
    worker_.join();
    view_.RunFinished(error_);
  }
}

void WindowRunHost::Apply(std::vector<Output>& batch) {
  std::size_t appended_from = report_.size();
  bool appending = false;
  const auto end_appends = [&] {
    if (appending) view_.LinesAppended(appended_from);
    appending = false;
  };
  for (Output& output : batch) {
    switch (output.kind) {
      case Output::Kind::kAppend:
        if (!appending) appended_from = report_.size();
        appending = true;
        report_.push_back(std::move(output.line));
        break;
      case Output::Kind::kClear:
        end_appends();
        report_.clear();
        view_.LogCleared();
        break;
      case Output::Kind::kReplace:
        end_appends();
        if (output.index < report_.size()) {
          report_[output.index] = std::move(output.line);
          view_.LineReplaced(output.index);
        }
        break;
      case Output::Kind::kProgress:
        end_appends();
        view_.ProgressChanged(std::clamp(output.position, 0, 100));
        break;
    }
  }
  end_appends();
}

}  // namespace frontend
