#pragma once
// A key index in the NTX layout over an open DbfTable: built in one pass over every record
// (deleted ones included), or from the keys a walk of the table gathered (KeyCollection: the
// shown records only), with a bounded sort memory, written to its file, and searched by key.
// The search skips records the table hides and goes on through equal keys, so both builds give
// the same answers.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/exclusive_file.h"

namespace tables {

class DbfTable;
namespace ntx {
class SortedRuns;
}  // namespace ntx

// Texts looked up while an index is built, answered in one pass along its keys in order instead
// of one search each afterwards: a text is missing exactly when HasKey would answer false.
class KeyProbe {
 public:
  virtual ~KeyProbe() = default;
  // Ascending entries of the index's key size plus 2 bytes: the text as the search compares it
  // (cut to the key size, nothing but NULs from its first NUL on, NUL-padded), then the length
  // compared, big-endian. REQUIRES: finished. A probe of another key size is not answered.
  virtual ntx::SortedRuns& Texts() = 0;
  // A build starts answering, again when it is tried in another place: forget earlier answers.
  virtual void Restart() = 0;
  // No record the table shows has a key that begins with the text of entry `recno`.
  virtual void Missing(std::uint32_t recno) = 0;
  // Every text answered; `read_back` false when the texts could not be read back.
  virtual void Answered(bool read_back) = 0;

  // The entry of `text` as Texts() holds it, into `entry` (key_size + 2 bytes).
  static void MakeEntry(std::string_view text, std::size_t key_size, unsigned char* entry);
};

// The keys of an index gathered record by record by a walk that reads the table for other
// reasons as well, so that the build needs no pass of its own over the file. Only the records
// the walk shows are given: a search never answers with a hidden record anyway. The sort's runs
// go to a scratch file that the caller created and that this object owns from then on.
class KeyCollection {
 public:
  // `table` is open. Null when the expression names a field the table lacks or the key is too
  // long: the build then reads the table itself and reports the error there.
  static std::unique_ptr<KeyCollection> Start(const DbfTable& table, std::string_view expression,
                                              platform::ExclusiveFile scratch);
  ~KeyCollection();
  KeyCollection(const KeyCollection&) = delete;
  KeyCollection& operator=(const KeyCollection&) = delete;

  // One record the walk shows, with its physical number and its bytes (deletion flag first).
  void Add(std::uint32_t recno, std::string_view record);
  // The walk reached the end of the file. Until then, or after a failed write or a record too
  // short for its key, the collection is not used and the build reads the table itself.
  void Finish();
  bool complete() const { return complete_; }
  // The bytes of one key: the lengths of the expression's fields added up.
  std::size_t key_size() const;

 private:
  friend class KeyIndex;
  struct Impl;
  explicit KeyCollection(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  bool complete_ = false;
  bool broken_ = false;
};

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

  // Builds the file now, replacing a leftover of that name that no one holds (never through a
  // link), and keeps it open for searches. Throws
  // "TMarlNTXIndex.CreateIndex: Create index only on active DataSet" when the table is closed,
  // "TMarlNTXIndex.CreateIndex: Create error "<name>"" when the file cannot be created or written
  // (or the key is longer than a page allows), and the table's field-not-found error for a name
  // in the expression that the table lacks. After a failure the index is closed.
  void Create();
  // The same build into `file`, which the caller has created and holds (FileName() names it).
  // The caller keeps the choice of where the file lives; the index owns and closes it.
  void Create(platform::ExclusiveFile file);
  // As Create(file), but a file that cannot be written (a full disk) answers false with the
  // system's reason instead of throwing, so the caller may build elsewhere; the file is closed.
  bool TryCreate(platform::ExclusiveFile file, std::string* reason);
  // The same from the keys a walk gathered over this index's table with this expression; a
  // collection that is incomplete or of another layout is ignored (the table is read instead).
  // With a probe, its texts are answered during the build, and the built index keeps no pages
  // in memory for searches that will not come (a search then reads its pages back).
  bool TryCreate(platform::ExclusiveFile file, std::string* reason, KeyCollection* collected,
                 KeyProbe* probe = nullptr);

  // Searches for the first visible record whose key matches `value` over
  // min(value length, key size) bytes (unsigned, stopping at a NUL both sides share). On success
  // positions the table on that record. False when the index is not built. Throws TableError
  // only when the index file itself cannot be read back.
  bool FindKey(std::string_view value);
  // The same search, leaving the table where it is (for callers that need only the answer).
  bool HasKey(std::string_view value);

  // Closes the index file (it stays on disk). Afterwards every search answers false.
  void Close();

  // Pages kept in memory for searches, in place of the defaults (4,096 inner pages and 40,960
  // leaf slots); takes effect at the next build. Tests make it small to exercise read-backs.
  void SetCacheBudget(std::size_t inner_pages, std::size_t leaf_slots);
  // Whether a build without a probe keeps its pages in memory for the searches to come (the
  // default). An index built for a probe whose texts come later keeps none: AnswerProbe() reads
  // its file once along its keys instead.
  void SetKeepPages(bool keep);

  // Answers `probe`'s texts as a build with the probe would have, walking the built index in key
  // order and reading each page back once, while a thread of its own merges the probe's texts
  // (only runs with threads to spare build an index for later texts). False when the index is
  // not built or the probe is of another key size (nothing answered). Throws the index's
  // read-back error when a page cannot be read or is damaged.
  bool AnswerProbe(KeyProbe& probe);

  // What the build found (for tests and measurements).
  std::size_t KeySize() const;
  std::uint64_t KeyCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tables
