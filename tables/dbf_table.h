#pragma once
// Read-only, record-at-a-time access to a dBase table (dBase III and the variants whose header
// it shares). The file is held with exclusive sharing while open: a second open of the same
// file, by this program or another that honours the lock, fails with the open error. The reader
// never writes to the file.
//
// Records are read in large blocks; the file's length, not the header's record count, decides
// how many records there are (a trailing partial record or the 0x1A end byte is never a record).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exclusive_file.h"
#include "tables/field_value.h"

namespace tables {

enum class DbfVersion { kBaseIII, kClipper, kBaseIV, kBaseVII, kFoxPro, kVisualFoxPro };

struct DbfField {
  std::string name;  // up to the first NUL, blanks trimmed, ASCII upper case
  char letter = 0;   // type letter as stored (C, N, F, D, L, M, or another variant's)
  FieldType type = FieldType::kUnknown;
  int size = 0;            // the catalogue's TAMANHO: the length of a C field, 0 for the others
  std::size_t offset = 0;  // position within the record; the first field is at 1 (after the flag)
  std::size_t length = 0;  // bytes the field takes in the record
  int decimals = 0;
};

// The header against the file's bytes. The reader goes by the file's length and the header
// length whatever this says; a run reports a disagreement as a sign of a damaged or cut delivery.
struct RecordCountCheck {
  std::uint32_t announced = 0;   // the header's record count
  std::uint64_t held = 0;        // (size - header length) div record length; 0 past the end
  bool header_past_end = false;  // the header length points beyond the end of the file
  // Bytes after the last whole record, one 0x1A end byte right after it not counted.
  std::uint64_t trailing_bytes = 0;
  std::uint32_t header_length = 0;    // as stored: where the first record starts
  std::uint64_t descriptors_end = 0;  // the bytes the field descriptors and their end mark need
  bool HeaderInsideDescriptors() const { return header_length < descriptors_end; }
  bool Mismatch() const {
    return header_past_end || trailing_bytes > 0 || announced != held || HeaderInsideDescriptors();
  }
};

class DbfTable {
 public:
  // `owner` is the table object's name ("tbDados"), which leads the field-not-found text.
  // `set_deleted` true hides records marked deleted.
  DbfTable(std::string owner, bool set_deleted);
  ~DbfTable();
  DbfTable(DbfTable&&) noexcept;
  DbfTable& operator=(DbfTable&&) noexcept;
  DbfTable(const DbfTable&) = delete;
  DbfTable& operator=(const DbfTable&) = delete;

  const std::string& owner() const;
  bool set_deleted() const;

  // Only while closed (ignored while open).
  void SetFileName(std::string path);
  const std::string& FileName() const;

  // Opens the file, reads header and descriptors and positions on the first visible record.
  // No effect when already open. Throws TableError (open error, not a DBF file, BufferSize too
  // small, broken header); a failed open leaves the table closed.
  void Open();
  // The same on a file the caller opened (a memory file in the fuzz targets); FileName() still
  // names it in error texts.
  void Open(platform::ExclusiveFile file);
  // Another handle on the file open here, for a second reader of the very same file; nullopt
  // with the system's reason when the table is closed or the system gives none.
  std::optional<platform::ExclusiveFile> DuplicateFile(std::string* reason = nullptr) const;
  // Releases the file and the field list; no effect when closed.
  void Close();
  bool IsOpen() const;
  // The system's identity of the open file, whatever its name has become since it was opened;
  // nullopt when closed or for a file in memory.
  std::optional<platform::FileIdentity> Identity() const;

  // Walking visible records in physical order. On a closed table First() and Next() do nothing
  // and Eof() is true. Next() is inline: the hot loop of a run calls it for millions of records.
  void First();
  void Next();
  bool Eof() const { return cursor_.record == nullptr; }

  int FieldCount() const;
  // Throws "List index out of bounds (i)".
  const DbfField& Fields(int i) const;
  const std::vector<DbfField>& FieldList() const;
  // Case-insensitive; throws "<owner>: Field '<name>' not found".
  const DbfField& FieldByName(std::string_view name) const;
  // Case-insensitive; -1 when there is no such field.
  int FieldIndex(std::string_view name) const;

  // Values of the current record. Throw "<owner>: No current record" at Eof or when closed,
  // "List index out of bounds (i)" for a bad i.
  FieldValue Value(int i) const;
  FieldValue GetFieldValue(std::string_view name) const;
  // The stored bytes of field i in the current record (no copy; valid until the next move).
  // Throws as Value(), and when the field runs past the end of the record (a header whose
  // record length is shorter than its fields). Inline and allocation-free for the hot loop.
  std::string_view RawField(int i) const {
    const auto index = static_cast<std::size_t>(i);
    if (index >= cursor_.field_count || cursor_.record == nullptr ||
        cursor_.spans[index].end > cursor_.record_length) {
      ThrowBadRawField(i);
    }
    return {cursor_.record + cursor_.spans[index].offset, cursor_.spans[index].length};
  }
  // The whole current record, deletion flag included.
  std::string_view Record() const {
    if (cursor_.record == nullptr) ThrowNoRecordHere();
    return {cursor_.record, cursor_.record_length};
  }
  // Physical number of the current record, from 1; 0 at Eof. Inline and kept by the moves, as
  // every record of a walk asks for it.
  std::uint32_t RecNo() const { return cursor_.record == nullptr ? 0 : cursor_.recno; }
  bool IsDeleted() const;  // flag of the current record

  // Set at open: the header's record count against the file's length (zeros when closed).
  RecordCountCheck HeaderCheck() const;
  DbfVersion Version() const;
  std::uint32_t HeaderLength() const;
  std::uint32_t RecordLength() const;

  // Physical records first_recno.. (from 1, deleted ones included) into `out`, which holds
  // `count` records; the number of whole records read. Independent of the current position and
  // safe beside it on other threads, for a walk split over threads. REQUIRES: IsOpen().
  std::size_t ReadRecordsAt(std::uint32_t first_recno, std::size_t count, char* out) const;

  // For the key index: every physical record in order, deleted ones included, independently of
  // the current position. `record` includes the deletion flag. REQUIRES: IsOpen().
  void ScanAll(const std::function<void(std::uint32_t recno, std::string_view record)>& fn) const;
  // Whether physical record `recno` is visible under this table's SetDeleted setting.
  // REQUIRES: IsOpen(); false for a number outside the file.
  bool IsRecordVisible(std::uint32_t recno) const;
  // Moves to physical record `recno` (used by the key index on a successful search).
  void GoTo(std::uint32_t recno);
  // Moves to each physical record that `records` gives (it calls its argument with each number,
  // ascending) and calls `visit` with the number there, as GoTo() would leave the table. With
  // `read_ahead`, threads of their own read the records ahead (in one call for records close
  // together), so that the visits do not wait for the reads, and the visits end at Eof; without,
  // each is a GoTo(). What `visit` throws ends the visits.
  using RecordNumbers = std::function<void(const std::function<void(std::uint32_t)>& take)>;
  void VisitInOrder(const RecordNumbers& records, const std::function<void(std::uint32_t)>& visit,
                    bool read_ahead = true);
  // Stands on physical record `recno` as GoTo() would, its bytes those at `bytes` (a copy of
  // the record made earlier, RecordLength() of them, kept valid until the next move); at Eof
  // when `bytes` is null.
  void ShowRecord(std::uint32_t recno, const char* bytes);

 private:
  struct Impl;
  struct FieldSpan {
    std::size_t offset = 0;
    std::size_t length = 0;
    std::size_t end = 0;  // offset + length
  };
  // The hot state, kept here so that Next(), Eof() and RawField() inline. The pointers point
  // into Impl's heap storage, so a move of the table keeps them valid.
  struct Cursor {
    const char* record = nullptr;     // current record, nullptr at Eof or when closed
    const char* block_end = nullptr;  // end of the whole records of the block in memory
    const FieldSpan* spans = nullptr;
    std::size_t field_count = 0;
    std::size_t record_length = 0;
    std::uint32_t recno = 0;  // of `record`
    bool skip_deleted = false;
  };

  void NextSlow();
  // Positions on the first visible record at or after record index `index` (from 0), or Eof.
  void SeekVisibleFrom(std::uint64_t index);
  [[noreturn]] void ThrowBadRawField(int i) const;
  [[noreturn]] void ThrowNoRecordHere() const;

  std::unique_ptr<Impl> impl_;
  Cursor cursor_;
};

inline void DbfTable::Next() {
  if (cursor_.record == nullptr) return;
  std::uint32_t recno = cursor_.recno;
  for (const char* p = cursor_.record + cursor_.record_length; p < cursor_.block_end;
       p += cursor_.record_length) {
    ++recno;
    if (!cursor_.skip_deleted || *p != '*') {
      cursor_.record = p;
      cursor_.recno = recno;
      return;
    }
  }
  NextSlow();
}

}  // namespace tables
