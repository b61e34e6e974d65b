#include "frontend/list_save.h"

#include <system_error>

#include "frontend/failure_rows_save.h"
#include "frontend/input_overwrite.h"
#include "frontend/message_text.h"
#include "frontend/report_export.h"
#include "platform/system_path.h"

namespace frontend {

std::string ReplaceQuestion(const std::string& path) {
  return "O arquivo " + path + " já existe. Deseja substituí-lo?";
}

std::string ConfirmedSavePath(SaveView& view, const SaveDialogSettings& settings,
                              const std::string& path, int filter) {
  const std::string chosen = PathForChosenType(path, settings, filter);
  if (chosen == path) return chosen;
  std::error_code unknown;
  const std::filesystem::path file = platform::FileSystemPath(chosen);
  if (std::filesystem::exists(file, unknown) &&
      !view.AskYesNo(ReplaceQuestion(FullPathText(file)))) {
    return {};
  }
  return chosen;
}

bool SaveList(SaveView& view, const std::string& path,
              const std::vector<std::string>& protected_files, const ListSave& save) {
  const std::filesystem::path file = platform::FileSystemPath(path);
  bool saved = false;
  const std::string refusal =
      SaveUnlessInput(file, protected_files, [&](const std::filesystem::path& to) {
        saved = SaveWithProgress(view, FullPathText(to), [&save, to](SaveProgress& progress) {
          return save(to, progress);
        });
        return std::string();  // SaveWithProgress has told the end
      });
  if (!refusal.empty()) view.ShowError(ErrorBoxMessage(refusal));
  return saved;
}

void SaveShownRows(SaveView& view, const SaveDialogSettings& settings, const std::string& path,
                   int filter, const FailureFileIndex& index, std::vector<std::uint32_t> rows,
                   const std::vector<std::string>& protected_files) {
  const std::string to = ConfirmedSavePath(view, settings, path, filter);
  if (to.empty()) return;
  SaveList(view, to, protected_files,
           [&index, &rows](const std::filesystem::path& file, SaveProgress& progress) {
             return SaveRows(index, rows, file, &progress);
           });
}

}  // namespace frontend
