#include "frontend/save_job.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "frontend/message_text.h"
#include "frontend/save_dialogs.h"

namespace frontend {

int SaveProgress::Percent() const {
  const std::uint64_t total = total_.load();
  if (total == 0) return 0;
  return static_cast<int>(std::min<std::uint64_t>(100, done_.load() * 100 / total));
}

SaveJob::SaveJob(Work work) {
  thread_ = std::thread([this, work = std::move(work)] {
    try {
      message_ = work(progress_);
    } catch (const std::exception& error) {
      message_ = error.what();
    }
    finished_ = true;
  });
}

SaveJob::~SaveJob() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

std::string SaveJob::Wait() {
  if (thread_.joinable()) thread_.join();
  return message_;
}

bool SaveWithProgress(SaveView& view, const std::string& shown_path, SaveJob::Work work) {
  SaveJob job(std::move(work));
  view.ShowSaveProgress(job);
  const std::string message = job.Wait();
  if (message.empty()) {  // done before a late cancel could stop it: the file is there
    view.ShowMessage(SavedListText(shown_path));
    return true;
  }
  // A cancelled save failed on purpose: its file was never put in place, nothing to tell.
  if (!job.cancelled()) view.ShowError(ErrorBoxMessage(message));
  return false;
}

}  // namespace frontend
