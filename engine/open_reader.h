#pragma once
// A table object opened on a file for the length of a scope. It first closes whatever the object
// held (an open table ignores a new file name, and a run that ended in an error may have left it
// open), then opens the file, and closes it again on every way out, errors included, so that
// every run starts from closed readers and no file stays held.

#include <string>

#include "tables/dbf_table.h"

namespace engine {

class OpenReader {
 public:
  // Throws the reader's open errors; the table is then left closed.
  OpenReader(tables::DbfTable& table, const std::string& path) : table_(table) {
    table_.Close();
    table_.SetFileName(path);
    table_.Open();
  }
  ~OpenReader() { table_.Close(); }
  OpenReader(const OpenReader&) = delete;
  OpenReader& operator=(const OpenReader&) = delete;

 private:
  tables::DbfTable& table_;
};

}  // namespace engine
