#include "frontend/save_dialogs.h"

#include "outputs/xlsx_workbook.h"

namespace frontend {

SaveDialogSettings ExportDialog() {
  SaveDialogSettings settings;
  settings.title = "Exporta resultado PRX";
  settings.default_suffix = "txt";
  settings.initial_folder = InitialFolder::kRoot;
  settings.initial_name = "*.txt";
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

}  // namespace frontend
