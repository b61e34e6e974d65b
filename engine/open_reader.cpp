#include "engine/open_reader.h"

#include <utility>

namespace engine {
namespace {

// Opens `table` under the name `path` on `copy`, another handle of a file open already.
void OpenOnCopy(tables::DbfTable& table, const std::string& path,
                std::optional<platform::ExclusiveFile> copy, const std::string& reason) {
  table.Close();
  table.SetFileName(path);
  if (!copy) tables::ThrowOpenError(path, false, false, reason);
  table.Open(std::move(*copy));
}

}  // namespace

void HeldInput::OpenTable(tables::DbfTable& table, const std::string& path) {
  if (!file_) {
    platform::ExclusiveFile::OpenFailure failure;
    std::optional<platform::ExclusiveFile> file = platform::ExclusiveFile::OpenRead(path, &failure);
    if (!file) {
      table.Close();
      tables::ThrowOpenError(path, failure.in_use, failure.missing, failure.reason);
    }
    stamp_ = file->CurrentStamp();
    file_ = std::move(file);
  } else {
    table.Close();
    CheckUnchanged(path);
  }
  std::string reason;
  OpenOnCopy(table, path, file_->Duplicate(&reason), reason);
}

void HeldInput::CheckUnchanged(const std::string& path) const {
  if (file_ && stamp_ && file_->CurrentStamp() != stamp_) tables::ThrowChangedWhileRead(path);
}

void HeldInput::OpenTableLike(tables::DbfTable& table, const tables::DbfTable& open) {
  std::string reason;
  OpenOnCopy(table, open.FileName(), open.DuplicateFile(&reason), reason);
}

}  // namespace engine
