#pragma once
// The failure list of the window's last run: every run streams its findings into a temporary
// file (engine/findings_csv.h), and the window saves a copy of it on request. The list is never
// held in memory. The temporary file is removed when the next run starts or the window closes.

#include <QString>
#include <QTemporaryFile>
#include <fstream>
#include <memory>

#include "engine/findings_csv.h"

namespace ui {

class RunFindings {
 public:
  // Creates the temporary file and the writer. When the file cannot be created, sink() is null
  // and the run goes without a list.
  RunFindings();
  ~RunFindings();
  RunFindings(const RunFindings&) = delete;
  RunFindings& operator=(const RunFindings&) = delete;

  engine::FindingSink* sink() { return writer_.get(); }
  // After the run (on any way out): ends the list. Returns false when it could not be written.
  bool Finish();
  // True once Finish() succeeded.
  bool ready() const { return ready_; }

  // Copies the list to `path`, replacing any file of that name. Returns an empty text on
  // success, else "Cannot create file "PATH". REASON".
  QString SaveAs(const QString& path) const;

 private:
  QTemporaryFile temp_;
  std::ofstream out_;
  std::unique_ptr<engine::FindingsCsv> writer_;
  bool ready_ = false;
};

}  // namespace ui
