#include "tables/dbf_table.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/exclusive_file.h"
#include "tables/ascii.h"
#include "tables/byte_order.h"
#include "tables/dbf_format.h"
#include "tables/dbf_values.h"
#include "tables/read_ahead.h"
#include "tables/table_error.h"

namespace tables {
namespace {

// Record numbers are 32-bit in the format; records beyond the last number are not addressable.
constexpr std::uint64_t kMaxRecords = 0xFFFFFFFFu;
// Bytes read at a time while walking the descriptor list.
constexpr std::size_t kDescriptorChunk = 8 * 1024;

std::optional<DbfVersion> VersionOf(std::uint8_t byte) {
  switch (byte) {
    case dbf::kVersionBaseIII:
    case dbf::kVersionBaseIIIMemo:
      return DbfVersion::kBaseIII;
    case dbf::kVersionClipper:
      return DbfVersion::kClipper;
    case dbf::kVersionBaseIVa:
    case dbf::kVersionBaseIVb:
    case dbf::kVersionBaseIVc:
      return DbfVersion::kBaseIV;
    case dbf::kVersionBaseVII:
    case dbf::kVersionBaseVIIMemo:
      return DbfVersion::kBaseVII;
    case dbf::kVersionFoxPro:
      return DbfVersion::kFoxPro;
    case dbf::kVersionVisualFoxPro:
    case dbf::kVersionVisualFoxProAutoInc:
      return DbfVersion::kVisualFoxPro;
    default:
      return std::nullopt;
  }
}

std::string FieldName(std::string_view stored) {
  stored = DbfText(stored);
  const std::size_t first = stored.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  stored = stored.substr(first, stored.find_last_not_of(' ') - first + 1);
  std::string name(stored);
  std::transform(name.begin(), name.end(), name.begin(), UpperAscii);
  return name;
}

// Type code, size and the length the field takes in the record, by the type letter.
void ClassifyField(DbfField& f, std::size_t length_byte, std::size_t decimals_byte) {
  f.decimals = static_cast<int>(decimals_byte);
  f.length = length_byte;
  switch (f.letter) {
    case dbf::kLetterCharacter:
      // The decimal byte is the high byte of a character field's length.
      f.length = length_byte + 256 * decimals_byte;
      f.decimals = 0;
      f.type = FieldType::kString;
      f.size = static_cast<int>(f.length);
      return;
    case dbf::kLetterNumeric:
    case dbf::kLetterFloat:
      f.type = decimals_byte > 0                     ? FieldType::kFloat
               : length_byte <= dbf::kMaxInt32Length ? FieldType::kInteger
                                                     : FieldType::kLargeint;
      return;
    case dbf::kLetterDate:
      f.length = dbf::kDateLength;
      f.type = FieldType::kDate;
      return;
    case dbf::kLetterLogical:
      f.length = dbf::kLogicalLength;
      f.type = FieldType::kBoolean;
      return;
    case dbf::kLetterMemo:
      f.length = dbf::kMemoLength;
      f.type = FieldType::kMemo;
      return;
    default:
      // Binary types of the other variants: the stored length, no type code.
      f.type = FieldType::kUnknown;
      return;
  }
}

// Reads the file in chunks for the descriptor walk; At() answers only with bytes present.
class ChunkReader {
 public:
  explicit ChunkReader(const platform::ExclusiveFile& file) : file_(file) {}

  // The n bytes at `pos`, or nullptr when the file ends before them.
  const char* At(std::uint64_t pos, std::size_t n) {
    if (pos < start_ || pos + n > start_ + chunk_.size()) {
      chunk_.resize(std::max(n, kDescriptorChunk));
      chunk_.resize(file_.ReadAt(pos, chunk_.data(), chunk_.size()));
      start_ = pos;
      if (chunk_.size() < n) return nullptr;
    }
    return chunk_.data() + (pos - start_);
  }

 private:
  const platform::ExclusiveFile& file_;
  std::vector<char> chunk_;
  std::uint64_t start_ = 0;
};

// What the header announces against what the file holds, by the file's length: whole records
// after the header, with nothing after the last one but at most the 0x1A end byte.
RecordCountCheck CheckRecordCount(const platform::ExclusiveFile& file, std::uint32_t announced,
                                  std::uint32_t header_length, std::uint32_t record_length) {
  RecordCountCheck check;
  check.announced = announced;
  check.header_length = header_length;
  const std::uint64_t size = file.Size();
  if (size < header_length) {
    check.header_past_end = true;
    return check;
  }
  check.held = (size - header_length) / record_length;
  const std::uint64_t rest = (size - header_length) % record_length;
  check.trailing_bytes = rest;
  if (rest > 0) {
    char first = 0;
    const std::uint64_t after_records = size - rest;
    if (file.ReadAt(after_records, &first, 1) == 1 && first == dbf::kEndOfFile)
      --check.trailing_bytes;
  }
  return check;
}

}  // namespace

struct DbfTable::Impl {
  std::string owner;
  bool set_deleted = false;
  std::string path;
  std::optional<platform::ExclusiveFile> file;

  DbfVersion version = DbfVersion::kBaseIII;
  std::uint32_t header_length = 0;
  std::uint32_t record_length = 0;
  std::vector<DbfField> fields;
  std::vector<FieldSpan> spans;

  std::vector<char> buffer;        // the block in memory, whole records only
  std::size_t block_capacity = 0;  // records per block
  std::uint64_t block_first = 0;   // 0-based index of the block's first record
  std::size_t block_count = 0;     // whole records in the block
  // Moves in ascending order: the last record moved to, and a moving average of the bytes from
  // one to the next (0: not known, after a move back or the first move).
  std::uint64_t last_visit = 0;
  std::uint64_t visit_gap = 0;
  // Reads the next block during a walk; started only for files of more than one block, and
  // ended before the file is closed.
  std::unique_ptr<ReadAhead> ahead;
  bool read_ahead = false;
  RecordCountCheck header_check;

  // Reads up to `max_records` whole records from record index `first`; the count read. A
  // sequential read of a full block asks for the next one at once.
  std::size_t LoadBlock(std::uint64_t first, std::size_t max_records, bool sequential = false) {
    block_first = first;
    block_count = 0;
    if (first >= kMaxRecords) return 0;
    const auto wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>({max_records, block_capacity, kMaxRecords - first}));
    const std::uint64_t offset = header_length + first * record_length;
    const std::size_t bytes = wanted * record_length;
    std::optional<std::size_t> got;
    if (ahead) got = ahead->Take(offset, bytes, buffer);
    if (!got) {
      if (buffer.size() < bytes) buffer.resize(bytes);
      got = file->ReadAt(offset, buffer.data(), bytes);
    }
    block_count = *got / record_length;  // a partial record at the end is never a record
    const std::uint64_t next = first + block_count;
    if (read_ahead && sequential && block_count == block_capacity && next < kMaxRecords) {
      if (!ahead) ahead = std::make_unique<ReadAhead>(*file);
      const auto next_wanted =
          static_cast<std::size_t>(std::min<std::uint64_t>(block_capacity, kMaxRecords - next));
      ahead->Request(header_length + next * record_length, next_wanted * record_length);
    }
    return block_count;
  }

  bool Visible(const char* record) const { return !set_deleted || *record != dbf::kDeletedFlag; }

  // The bytes the descriptors take, their end mark included.
  std::uint64_t ReadDescriptors(std::size_t start, std::size_t descriptor_size,
                                std::size_t name_size, std::size_t letter_at, std::size_t length_at,
                                std::size_t decimals_at);
};

std::uint64_t DbfTable::Impl::ReadDescriptors(std::size_t start, std::size_t descriptor_size,
                                              std::size_t name_size, std::size_t letter_at,
                                              std::size_t length_at, std::size_t decimals_at) {
  ChunkReader reader(*file);
  std::size_t offset = dbf::kFlagSize;
  std::uint64_t end = start;
  for (std::uint64_t pos = start;; pos += descriptor_size) {
    const char* first = reader.At(pos, 1);
    if (first != nullptr && *first == dbf::kDescriptorTerminator) {
      end = pos + 1;
      break;
    }
    const char* d = first == nullptr ? nullptr : reader.At(pos, descriptor_size);
    if (d == nullptr) ThrowBadHeader("Field descriptors run past the end of file", path);
    if (fields.size() == dbf::kMaxFields) ThrowBadHeader("Too many field descriptors in", path);
    DbfField f;
    f.name = FieldName(std::string_view(d, name_size));
    f.letter = d[letter_at];
    ClassifyField(f, DecodeFixed8(d + length_at), DecodeFixed8(d + decimals_at));
    f.offset = offset;
    offset += f.length;
    fields.push_back(std::move(f));
  }
  spans.reserve(fields.size());
  for (const DbfField& f : fields) spans.push_back({f.offset, f.length, f.offset + f.length});
  return end;
}

DbfTable::DbfTable(std::string owner, bool set_deleted) : impl_(std::make_unique<Impl>()) {
  impl_->owner = std::move(owner);
  impl_->set_deleted = set_deleted;
}

DbfTable::~DbfTable() = default;

DbfTable::DbfTable(DbfTable&& other) noexcept
    : impl_(std::move(other.impl_)), cursor_(std::exchange(other.cursor_, Cursor{})) {}

DbfTable& DbfTable::operator=(DbfTable&& other) noexcept {
  if (this != &other) {
    impl_ = std::move(other.impl_);
    cursor_ = std::exchange(other.cursor_, Cursor{});
  }
  return *this;
}

const std::string& DbfTable::owner() const { return impl_->owner; }
bool DbfTable::set_deleted() const { return impl_->set_deleted; }

void DbfTable::SetFileName(std::string path) {
  if (!IsOpen()) impl_->path = std::move(path);
}
const std::string& DbfTable::FileName() const { return impl_->path; }

bool DbfTable::IsOpen() const { return impl_->file.has_value(); }

std::optional<platform::FileIdentity> DbfTable::Identity() const {
  return impl_->file ? impl_->file->Identity() : std::nullopt;
}

std::optional<platform::ExclusiveFile> DbfTable::DuplicateFile(std::string* reason) const {
  if (!impl_->file) return std::nullopt;
  return impl_->file->Duplicate(reason);
}

void DbfTable::Open() {
  if (IsOpen()) return;
  platform::ExclusiveFile::OpenFailure failure;
  std::optional<platform::ExclusiveFile> file =
      platform::ExclusiveFile::OpenRead(impl_->path, &failure);
  if (!file) ThrowOpenError(impl_->path, failure.in_use, failure.missing, failure.reason);
  Open(std::move(*file));
}

void DbfTable::Open(platform::ExclusiveFile opened) {
  if (IsOpen()) return;
  Impl& t = *impl_;
  std::optional<platform::ExclusiveFile> file(std::move(opened));

  char head[dbf::kBaseVIIDescriptorStart] = {};
  const std::size_t got = file->ReadAt(0, head, sizeof head);
  const std::optional<DbfVersion> version =
      got == 0 ? std::nullopt : VersionOf(DecodeFixed8(head + dbf::kVersionOffset));
  if (!version) ThrowNotDbfFile(t.path);  // `file` closes on the way out
  const bool base_vii = *version == DbfVersion::kBaseVII;
  const std::size_t header_size = base_vii ? dbf::kBaseVIIDescriptorStart : dbf::kHeaderSize;
  if (got < header_size) ThrowBadHeader("File header is truncated in", t.path);

  const std::uint32_t header_length = DecodeFixed16(head + dbf::kHeaderLengthOffset);
  const std::uint32_t record_length = DecodeFixed16(head + dbf::kRecordLengthOffset);
  if (record_length == 0) ThrowBadHeader("Record length 0 in", t.path);
  if (record_length > dbf::kBufferSize) ThrowBufferTooSmall(t.path, record_length);

  t.file = std::move(file);
  try {
    t.version = *version;
    t.header_length = header_length;
    t.record_length = record_length;
    std::uint64_t descriptors_end = 0;
    if (base_vii) {
      descriptors_end = t.ReadDescriptors(dbf::kBaseVIIDescriptorStart, dbf::kBaseVIIDescriptorSize,
                                          dbf::kBaseVIINameSize, dbf::kBaseVIILetterOffset,
                                          dbf::kBaseVIILengthOffset, dbf::kBaseVIIDecimalsOffset);
    } else {
      descriptors_end =
          t.ReadDescriptors(dbf::kDescriptorStart, dbf::kDescriptorSize, dbf::kNameSize,
                            dbf::kLetterOffset, dbf::kLengthOffset, dbf::kDecimalsOffset);
    }
    // Large blocks for speed, but no larger than the records the file holds.
    const std::uint64_t size = t.file->Size();
    const std::uint64_t present = size > header_length ? (size - header_length) / record_length : 0;
    const std::uint64_t full_block = dbf::kReadBlockBytes / record_length;
    t.block_capacity = static_cast<std::size_t>(std::clamp<std::uint64_t>(present, 1, full_block));
    t.read_ahead = present > full_block;
    t.header_check = CheckRecordCount(*t.file, DecodeFixed32(head + dbf::kRecordCountOffset),
                                      header_length, record_length);
    t.header_check.descriptors_end = descriptors_end;
    t.buffer.assign(t.block_capacity * record_length, '\0');
  } catch (...) {
    Close();
    throw;
  }
  cursor_.spans = t.spans.data();
  cursor_.field_count = t.spans.size();
  cursor_.record_length = record_length;
  cursor_.skip_deleted = t.set_deleted;
  First();
}

void DbfTable::Close() {
  Impl& t = *impl_;
  t.ahead.reset();  // before the file it reads
  t.file.reset();
  t.fields.clear();
  t.spans.clear();
  std::vector<char>().swap(t.buffer);
  t.block_count = 0;
  t.block_first = 0;
  t.read_ahead = false;
  t.header_check = RecordCountCheck{};
  cursor_ = Cursor{};
}

void DbfTable::First() {
  if (IsOpen()) SeekVisibleFrom(0);
}

void DbfTable::NextSlow() {
  // The block is used up: go on from the record after its last one.
  SeekVisibleFrom(impl_->block_first + impl_->block_count);
}

void DbfTable::SeekVisibleFrom(std::uint64_t index) {
  Impl& t = *impl_;
  for (;;) {
    const std::size_t n = t.LoadBlock(index, t.block_capacity, /*sequential=*/true);
    if (n == 0) break;  // a read without a whole record ends the table
    const char* end = t.buffer.data() + n * t.record_length;
    for (const char* p = t.buffer.data(); p < end; p += t.record_length) {
      if (t.Visible(p)) {
        cursor_.record = p;
        cursor_.block_end = end;
        cursor_.recno = static_cast<std::uint32_t>(
            index + static_cast<std::uint64_t>(p - t.buffer.data()) / t.record_length + 1);
        return;
      }
    }
    index += n;
  }
  cursor_.record = nullptr;
  cursor_.block_end = nullptr;
}

int DbfTable::FieldCount() const { return static_cast<int>(impl_->fields.size()); }

const DbfField& DbfTable::Fields(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= impl_->fields.size()) ThrowListIndexOutOfBounds(i);
  return impl_->fields[static_cast<std::size_t>(i)];
}

const std::vector<DbfField>& DbfTable::FieldList() const { return impl_->fields; }

int DbfTable::FieldIndex(std::string_view name) const {
  const auto& fields = impl_->fields;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (EqualsIgnoringCase(fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

const DbfField& DbfTable::FieldByName(std::string_view name) const {
  const int i = FieldIndex(name);
  if (i < 0) ThrowFieldNotFound(impl_->owner, name);
  return impl_->fields[static_cast<std::size_t>(i)];
}

FieldValue DbfTable::Value(int i) const {
  const std::string_view bytes = RawField(i);
  return DecodeField(impl_->fields[static_cast<std::size_t>(i)], bytes);
}

FieldValue DbfTable::GetFieldValue(std::string_view name) const {
  const int i = FieldIndex(name);
  if (i < 0) ThrowFieldNotFound(impl_->owner, name);
  return Value(i);
}

void DbfTable::ThrowBadRawField(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= impl_->fields.size()) ThrowListIndexOutOfBounds(i);
  if (cursor_.record == nullptr) ThrowNoCurrentRecord(impl_->owner);
  ThrowFieldPastRecordEnd(impl_->fields[static_cast<std::size_t>(i)].name, impl_->path);
}

void DbfTable::ThrowNoRecordHere() const { tables::ThrowNoCurrentRecord(impl_->owner); }

bool DbfTable::IsDeleted() const {
  return cursor_.record != nullptr && *cursor_.record == dbf::kDeletedFlag;
}

RecordCountCheck DbfTable::HeaderCheck() const { return impl_->header_check; }

DbfVersion DbfTable::Version() const { return impl_->version; }
std::uint32_t DbfTable::HeaderLength() const { return impl_->header_length; }
std::uint32_t DbfTable::RecordLength() const { return impl_->record_length; }

std::size_t DbfTable::ReadRecordsAt(std::uint32_t first_recno, std::size_t count, char* out) const {
  const Impl& t = *impl_;
  if (first_recno == 0 || t.record_length == 0) return 0;
  const std::uint64_t offset =
      t.header_length + static_cast<std::uint64_t>(first_recno - 1) * t.record_length;
  return t.file->ReadAt(offset, out, count * t.record_length) / t.record_length;
}

void DbfTable::ScanAll(
    const std::function<void(std::uint32_t recno, std::string_view record)>& fn) const {
  if (!IsOpen()) return;
  const Impl& t = *impl_;
  std::vector<char> buffer(t.block_capacity * t.record_length);
  for (std::uint64_t index = 0; index < kMaxRecords;) {
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(t.block_capacity, kMaxRecords - index));
    const std::size_t got = t.file->ReadAt(t.header_length + index * t.record_length, buffer.data(),
                                           wanted * t.record_length);
    const std::size_t n = got / t.record_length;
    if (n == 0) return;
    for (std::size_t k = 0; k < n; ++k) {
      fn(static_cast<std::uint32_t>(index + k + 1),
         std::string_view(buffer.data() + k * t.record_length, t.record_length));
    }
    index += n;
  }
}

bool DbfTable::IsRecordVisible(std::uint32_t recno) const {
  if (!IsOpen() || recno == 0) return false;
  const Impl& t = *impl_;
  const std::uint64_t offset = t.header_length + std::uint64_t{recno - 1} * t.record_length;
  if (offset + t.record_length > t.file->Size()) return false;  // not a whole record
  if (!t.set_deleted) return true;
  char flag = 0;
  return t.file->ReadAt(offset, &flag, 1) == 1 && flag != dbf::kDeletedFlag;
}

void DbfTable::GoTo(std::uint32_t recno) {
  if (!IsOpen()) return;
  Impl& t = *impl_;
  cursor_.record = nullptr;
  cursor_.block_end = nullptr;
  if (recno == 0) return;
  const std::uint64_t index = recno - 1;
  if (index > t.last_visit) {
    const std::uint64_t gap = (index - t.last_visit) * t.record_length;
    t.visit_gap = t.visit_gap == 0 ? gap : (7 * t.visit_gap + gap) / 8;
  } else {
    t.visit_gap = 0;
  }
  t.last_visit = index;
  if (index >= t.block_first && index < t.block_first + t.block_count) {
    // Already in memory (a key search often lands near the last one).
    cursor_.record = t.buffer.data() + (index - t.block_first) * t.record_length;
    cursor_.block_end = t.buffer.data() + t.block_count * t.record_length;
    cursor_.recno = recno;
    return;
  }
  // Visits of records in ascending order (the findings told from a set of record numbers) a
  // few KiB apart on average: a short block from here serves the visits that follow, one call
  // for many records. Records further apart, and a search, which jumps around, read one record
  // only (Next() reads whole blocks again from there): a block would cost more to copy than the
  // calls it saves.
  const bool close = t.visit_gap != 0 && t.visit_gap <= dbf::kCloseBytes;
  const std::size_t close_block = static_cast<std::size_t>(std::max<std::uint64_t>(
      1, dbf::kCloseSpanBytes / std::max<std::uint64_t>(1, t.record_length)));
  const std::size_t n = t.LoadBlock(index, close ? close_block : 1);
  if (n == 0) return;
  cursor_.record = t.buffer.data();
  cursor_.block_end = cursor_.record + n * t.record_length;
  cursor_.recno = recno;
}

}  // namespace tables
