#pragma once
// The settings of the two save dialogs, the same in both windows.

#include <string>
#include <vector>

namespace frontend {

enum class InitialFolder {
  kRoot,       // the root of the system drive ("c:\" on Windows, "/" elsewhere)
  kDocuments,  // the user's documents folder
};

struct FileFilter {
  std::string label;    // UTF-8, shown to the user
  std::string pattern;  // "*.csv"
};

struct SaveDialogSettings {
  std::string title;           // UTF-8; empty: the platform's default
  std::string default_suffix;  // added when the user types a name without extension
  InitialFolder initial_folder = InitialFolder::kRoot;
  std::string initial_name;         // UTF-8; may be empty
  std::vector<FileFilter> filters;  // empty: no filter
};

// The export of the report: no filter, name "*.txt", starting at the root of the system drive.
SaveDialogSettings ExportDialog();
// The failure list of the last run: "falhas.csv" in the user's documents folder, as CSV or, in
// a build with the workbook writer, as a workbook (the file's extension chooses).
SaveDialogSettings FailureListDialog();

}  // namespace frontend
