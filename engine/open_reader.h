#pragma once
// A table object opened on a file for the length of a scope. It first closes whatever the object
// held (an open table ignores a new file name, and a run that ended in an error may have left it
// open), then opens the file, and closes it again on every way out, errors included, so that
// every run starts from closed readers and no file stays held.

#include <optional>
#include <string>

#include "platform/exclusive_file.h"
#include "tables/dbf_table.h"
#include "tables/table_error.h"

namespace engine {

// An input file as the run first opened it, held open until the run ends. Every later pass of
// the run reads this very file through another handle on it, never the path again: a file
// renamed, removed or replaced under its name meanwhile is still the one the run began with,
// and a file written in place meanwhile (its size or modification time changed) ends the run
// with the reader's changed-while-read error naming the path.
class HeldInput {
 public:
  // Opens `table` on the held file; the first time, opens `path` and holds it. Throws the
  // reader's open errors, or the changed-while-read error; the table is then left closed.
  void OpenTable(tables::DbfTable& table, const std::string& path);
  // Throws the changed-while-read error naming `path` when the held file was written since it
  // was first opened; nothing when no file is held.
  void CheckUnchanged(const std::string& path) const;
  // Opens `table` on the file another table object has open (the same handle's file).
  static void OpenTableLike(tables::DbfTable& table, const tables::DbfTable& open);

 private:
  std::optional<platform::ExclusiveFile> file_;
  std::optional<platform::ExclusiveFile::Stamp> stamp_;
};

class OpenReader {
 public:
  // Throws the reader's open errors; the table is then left closed.
  OpenReader(tables::DbfTable& table, const std::string& path) : table_(table) {
    table_.Close();
    table_.SetFileName(path);
    table_.Open();
  }
  // The same for an input file, which several passes of a run open in turn: every pass reads
  // the file `input` holds (see HeldInput).
  OpenReader(tables::DbfTable& table, const std::string& path, HeldInput& input) : table_(table) {
    input.OpenTable(table_, path);
  }
  ~OpenReader() { table_.Close(); }
  OpenReader(const OpenReader&) = delete;
  OpenReader& operator=(const OpenReader&) = delete;

 private:
  tables::DbfTable& table_;
};

}  // namespace engine
