#include "frontend/save_dialogs.h"

#include <cctype>
#include <cstdio>

#include "outputs/xlsx_workbook.h"

namespace frontend {

SaveDialogSettings ExportDialog(Date date) {
  SaveDialogSettings settings;
  settings.title = "Exporta resultado PRX";
  settings.default_suffix = "txt";
  settings.initial_folder = InitialFolder::kDocuments;
  char name[64];
  std::snprintf(name, sizeof name, "relatorio_PRX_%04d-%02d-%02d.txt", date.year, date.month,
                date.day);
  settings.initial_name = name;
  settings.filters = {{"Texto (*.txt)", "*.txt"}};
  return settings;
}

SaveDialogSettings FailureListDialog() {
  SaveDialogSettings settings;
  settings.title = "Salva lista de falhas PRX";
  settings.default_suffix = "csv";
  settings.initial_folder = InitialFolder::kDocuments;
  settings.initial_name = "falhas.csv";
  settings.filters = {{"Lista de falhas CSV (*.csv)", "*.csv"}};
  // A build without the workbook writer offers CSV only.
  if (outputs::XlsxAvailable())
    settings.filters.push_back({"Pasta de trabalho (*.xlsx)", "*.xlsx"});
  settings.filters.push_back({"Todos os arquivos (*.*)", "*.*"});
  return settings;
}

namespace {

// "xlsx" of "*.xlsx"; empty for "*.*" and anything not of that shape.
std::string ExtensionOf(const FileFilter& filter) {
  const std::string& pattern = filter.pattern;
  if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0 || pattern == "*.*") return {};
  return pattern.substr(2);
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string PathForChosenType(const std::string& path, const SaveDialogSettings& settings,
                              int filter) {
  if (filter < 0 || static_cast<std::size_t>(filter) >= settings.filters.size()) return path;
  const std::string chosen = ExtensionOf(settings.filters[static_cast<std::size_t>(filter)]);
  if (chosen.empty()) return path;
  const std::size_t name_start = path.find_last_of("/\\") + 1;  // npos + 1 == 0
  const std::size_t dot = path.rfind('.');
  if (dot != std::string::npos && dot > name_start) {
    const std::string_view typed = std::string_view(path).substr(dot + 1);
    if (SameLetters(typed, chosen)) return path;
    for (const FileFilter& other : settings.filters) {
      if (SameLetters(typed, ExtensionOf(other))) return path.substr(0, dot + 1) + chosen;
    }
  }
  return path + "." + chosen;
}

std::string SavedListText(const std::string& path) { return "Lista de falhas gravada em " + path; }

}  // namespace frontend
