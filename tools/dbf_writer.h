#pragma once
// A dBase III writer for tests, samples and benchmarks only (a validation run never writes a
// dBase file). It can also write what a careful writer would not: deleted records, raw field
// bytes (malformed numbers), lower-case names, lying header counts, truncated files.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

struct DbfFieldSpec {
  std::string name;  // written as given (up to 10 characters), lower case allowed
  char type = 'C';   // C, N, F, D, L, M or any other letter
  int length = 1;    // C fields may exceed 255 (16-bit length)
  int decimals = 0;
};

// The stored bytes of one value: C and D left-aligned and blank-padded, N and F right-aligned,
// L one character. A value longer than the field throws std::invalid_argument.
std::string FormatDbfValue(const DbfFieldSpec& field, std::string_view value);

// The header (32 bytes, descriptors, 0x0D) for `record_count` records.
std::string DbfHeader(const std::vector<DbfFieldSpec>& fields, std::uint32_t record_count,
                      std::uint8_t version = 0x03);
std::uint16_t DbfRecordLength(const std::vector<DbfFieldSpec>& fields);

// A whole table built in memory.
class DbfBuilder {
 public:
  explicit DbfBuilder(std::vector<DbfFieldSpec> fields);

  DbfBuilder& Version(std::uint8_t version);           // default 0x03
  DbfBuilder& HeaderRecordCount(std::uint32_t count);  // default: the real count
  DbfBuilder& EndMarker(bool present);                 // 0x1A after the records; default on
  // One record from values, formatted by FormatDbfValue; missing values are blank.
  DbfBuilder& Add(const std::vector<std::string>& values, bool deleted = false);
  // One record from raw bytes (without the deletion flag), used as given.
  DbfBuilder& AddRaw(std::string_view bytes, bool deleted = false);

  std::string Bytes() const;
  // Writes Bytes() to `path` (std::runtime_error when it cannot).
  void Write(const std::string& path) const;

 private:
  std::vector<DbfFieldSpec> fields_;
  std::string records_;
  std::uint32_t count_ = 0;
  std::optional<std::uint32_t> header_count_;
  std::uint8_t version_ = 0x03;
  bool end_marker_ = true;
};

// A table written record by record, for files of millions of records.
class DbfFileWriter {
 public:
  DbfFileWriter(const std::string& path, std::vector<DbfFieldSpec> fields);
  ~DbfFileWriter();  // finishes the file if Finish() was not called
  DbfFileWriter(const DbfFileWriter&) = delete;
  DbfFileWriter& operator=(const DbfFileWriter&) = delete;

  void Add(const std::vector<std::string>& values, bool deleted = false);
  void AddRaw(std::string_view bytes, bool deleted = false);
  // Writes the end marker and the final record count into the header.
  void Finish();

 private:
  std::vector<DbfFieldSpec> fields_;
  std::FILE* file_ = nullptr;
  std::uint32_t count_ = 0;
  std::string record_;
};

// Writes `bytes` to `path` (tests that need a file on disk).
void WriteFile(const std::string& path, std::string_view bytes);

}  // namespace tools
