#pragma once
// The settings of the two save dialogs, the same in both windows.

#include <string>
#include <string_view>
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

// The export of the report: "relatorio_PRX_AAAA-MM-DD.txt" (the run's `date`) in the user's
// documents folder, as text.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};
SaveDialogSettings ExportDialog(Date date);
// The failure list of the last run: "falhas.csv" in the user's documents folder, as CSV or, in
// a build with the workbook writer, as a workbook (the chosen type decides, PathForChosenType).
SaveDialogSettings FailureListDialog();

// The path to write for the dialog's answer: the type the user chose (`filter`, an index into
// settings.filters; out of range or "*.*": none) decides the format, so a name whose extension
// names another type gets the chosen one instead ("falhas.csv" under "*.xlsx" is
// "falhas.xlsx"), and any other name gets it added. Without a chosen type, `path` as it is.
std::string PathForChosenType(const std::string& path, const SaveDialogSettings& settings,
                              int filter);

// The confirmation after a list was saved at `path` (UTF-8).
std::string SavedListText(const std::string& path);

}  // namespace frontend
