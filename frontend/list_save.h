#pragma once
// The save of a failure list from the dialog's answer on, the same from the log menu and from
// the findings panel: the chosen type decides the format, a file is replaced only when the user
// said so, an input is never written over, and the writing goes off the window's thread with its
// progress shown (save_job.h).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "frontend/failure_file_index.h"
#include "frontend/save_dialogs.h"
#include "frontend/save_job.h"

namespace frontend {

// "O arquivo X já existe. Deseja substituí-lo?" (X: `path` as UTF-8).
std::string ReplaceQuestion(const std::string& path);

// The path the dialog's answer (`path` as the engine's file functions take it, `filter` the chosen
// type) is written to: PathForChosenType's. When the chosen type changed the name to one that
// exists, which the dialog never asked about, the user is asked first; empty when declined.
std::string ConfirmedSavePath(SaveView& view, const SaveDialogSettings& settings,
                              const std::string& path, int filter);

// Saves at `path` through `save` while `view` shows the progress (SaveWithProgress), unless it
// names one of `protected_files` (input_overwrite.h): then the error box says so. True when
// saved.
using ListSave =
    std::function<std::string(const std::filesystem::path& to, SaveProgress& progress)>;
bool SaveList(SaveView& view, const std::string& path,
              const std::vector<std::string>& protected_files, const ListSave& save);

// The findings panel's save of the rows it shows (`rows`, numbers of `index`'s list, taken now:
// the save goes on while the panel may filter again), from the dialog's answer on.
void SaveShownRows(SaveView& view, const SaveDialogSettings& settings, const std::string& path,
                   int filter, const FailureFileIndex& index, std::vector<std::uint32_t> rows,
                   const std::vector<std::string>& protected_files);

}  // namespace frontend
