#pragma once
// A key index in the NTX layout over an open DbfTable: built in one pass over every record
// (deleted ones included) with a bounded sort memory, written to its file, and searched by key.
// The search skips records the table hides and goes on through equal keys.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tables {

class DbfTable;

class KeyIndex {
 public:
  // `table` must outlive the index. `name` is the index name ("apolice").
  KeyIndex(DbfTable& table, std::string name);
  ~KeyIndex();  // closes the file; does not delete it
  KeyIndex(const KeyIndex&) = delete;
  KeyIndex& operator=(const KeyIndex&) = delete;

  // "apolice+item": field names of the table (case-insensitive) joined by "+".
  void SetKeyExpression(std::string expression);
  // Setting the file name sets the index name to the file's base name without extension.
  void SetFileName(std::string path);
  const std::string& name() const;

  // Builds the file now, replacing any file of that name. Throws
  // "TMarlNTXIndex.CreateIndex: Create index only on active DataSet" when the table is closed and
  // "TMarlNTXIndex.CreateIndex: Create error "<name>"" when the file cannot be created.
  void Create();

  // Searches for the first visible record whose key matches `value` over
  // min(value length, key size) bytes (unsigned, stopping at a NUL on either side). On success
  // positions the table on that record. REQUIRES: Create() succeeded.
  bool FindKey(std::string_view value);

  // Closes the index file (it stays on disk).
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tables
