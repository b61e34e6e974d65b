#pragma once
// The failure list of a window's last run: every run streams its findings into a temporary
// file (outputs/findings_csv.h), and the window saves a copy of it on request. The list is never
// held in memory. The temporary file is removed when the next run starts or the window closes,
// and when the program is interrupted (platform/interrupt_cleanup.h).

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "frontend/save_job.h"
#include "outputs/findings_csv.h"
#include "platform/interrupt_cleanup.h"

namespace frontend {

class RunFindings {
 public:
  // Creates the temporary file (a new name, created exclusively, in the system's temporary
  // folder) and the writer. When the file cannot be created, sink() is null and the run goes
  // without a list.
  RunFindings();
  ~RunFindings();
  RunFindings(const RunFindings&) = delete;
  RunFindings& operator=(const RunFindings&) = delete;

  engine::FindingSink* sink() { return writer_.get(); }
  // Before the run: the list marks its rows new or kept (column nova) against what `source`
  // gives at its first row.
  void MarkNewAgainst(outputs::NewFailureSource source) {
    if (writer_) writer_->MarkNewAgainst(std::move(source));
  }
  // After the run (on any way out): ends the list. Returns false when it could not be written.
  bool Finish();
  // True once Finish() succeeded.
  bool ready() const { return ready_; }
  // The temporary file that holds the list (read it once ready()); empty when none.
  const std::string& path() const { return temp_path_; }

  // Saves the list at `path`, replacing any file of that name: its bytes, or for a name ending in
  // ".xlsx" a workbook. Returns an empty text on success, else the message (UTF-8, as
  // WriteFileBytes in report_export.h). With `progress`, it tells how far it got and stops when
  // cancelled, leaving no file (failure_rows_save.h).
  std::string SaveAs(const std::filesystem::path& path, SaveProgress* progress = nullptr) const;

 private:
  std::string temp_path_;                     // empty when no file could be created
  platform::RemoveOnInterrupt on_interrupt_;  // an interrupted window leaves no list behind
  std::ofstream out_;
  std::unique_ptr<outputs::FindingsCsv> writer_;
  bool ready_ = false;
};

}  // namespace frontend
