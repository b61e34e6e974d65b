#pragma once
// A table object opened on a file for the length of a scope. It first closes whatever the object
// held (an open table ignores a new file name, and a run that ended in an error may have left it
// open), then opens the file, and closes it again on every way out, errors included, so that
// every run starts from closed readers and no file stays held.

#include <optional>
#include <string>

#include "platform/file_identity.h"
#include "tables/dbf_table.h"
#include "tables/table_error.h"

namespace engine {

class OpenReader {
 public:
  // Throws the reader's open errors; the table is then left closed.
  OpenReader(tables::DbfTable& table, const std::string& path) : table_(table) {
    table_.Close();
    table_.SetFileName(path);
    table_.Open();
  }
  // The same for an input file, which several passes of a run open in turn: the first open notes
  // in `first` which file it found under the path; a later one that finds another file there
  // (renamed or replaced meanwhile) throws the reader's changed-while-read error naming the
  // path, so that every pass reads the file the run began with or none.
  OpenReader(tables::DbfTable& table, const std::string& path,
             std::optional<platform::FileIdentity>& first)
      : OpenReader(table, path) {
    const std::optional<platform::FileIdentity> now = table_.Identity();
    if (!first) {
      first = now;
    } else if (now && now != first) {
      tables::ThrowChangedWhileRead(path);  // the destructor closes the table
    }
  }
  ~OpenReader() { table_.Close(); }
  OpenReader(const OpenReader&) = delete;
  OpenReader& operator=(const OpenReader&) = delete;

 private:
  tables::DbfTable& table_;
};

}  // namespace engine
