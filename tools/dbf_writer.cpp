#include "tools/dbf_writer.h"

#include <filesystem>
#include <stdexcept>

namespace tools {
namespace {

void PutLe16(std::string& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void PutLe32(std::string& out, std::size_t at, std::uint32_t v) {
  PutLe16(out, at, v & 0xFFFF);
  PutLe16(out, at + 2, v >> 16);
}

std::size_t StoredLength(const DbfFieldSpec& f) {
  switch (f.type) {
    case 'D':
      return 8;
    case 'L':
      return 1;
    case 'M':
      return 10;
    default:
      return static_cast<std::size_t>(f.length);
  }
}

}  // namespace

std::uint16_t DbfRecordLength(const std::vector<DbfFieldSpec>& fields) {
  std::size_t length = 1;
  for (const auto& f : fields) length += StoredLength(f);
  return static_cast<std::uint16_t>(length);
}

std::string FormatDbfValue(const DbfFieldSpec& field, std::string_view value) {
  const std::size_t width = StoredLength(field);
  if (value.size() > width) {
    throw std::invalid_argument("value '" + std::string(value) + "' longer than field " +
                                field.name);
  }
  const std::string fill(width - value.size(), ' ');
  if (field.type == 'N' || field.type == 'F') return fill + std::string(value);
  return std::string(value) + fill;
}

std::string DbfHeader(const std::vector<DbfFieldSpec>& fields, std::uint32_t record_count,
                      std::uint8_t version) {
  const std::size_t header_length = 32 + 32 * fields.size() + 1;
  std::string h(header_length, '\0');
  h[0] = static_cast<char>(version);
  h[1] = 124;  // 2024-01-01, not read by anyone
  h[2] = 1;
  h[3] = 1;
  PutLe32(h, 4, record_count);
  PutLe16(h, 8, static_cast<std::uint32_t>(header_length));
  PutLe16(h, 10, DbfRecordLength(fields));
  std::size_t at = 32;
  for (const auto& f : fields) {
    for (std::size_t i = 0; i < f.name.size() && i < 10; ++i) h[at + i] = f.name[i];
    h[at + 11] = f.type;
    const auto length = static_cast<std::uint32_t>(StoredLength(f));
    if (f.type == 'C') {
      PutLe16(h, at + 16, length);  // 16-bit length for character fields
    } else {
      h[at + 16] = static_cast<char>(length & 0xFF);
      h[at + 17] = static_cast<char>(f.decimals);
    }
    at += 32;
  }
  h[at] = 0x0D;
  return h;
}

DbfBuilder::DbfBuilder(std::vector<DbfFieldSpec> fields) : fields_(std::move(fields)) {}

DbfBuilder& DbfBuilder::Version(std::uint8_t version) {
  version_ = version;
  return *this;
}

DbfBuilder& DbfBuilder::HeaderRecordCount(std::uint32_t count) {
  header_count_ = count;
  return *this;
}

DbfBuilder& DbfBuilder::EndMarker(bool present) {
  end_marker_ = present;
  return *this;
}

DbfBuilder& DbfBuilder::Add(const std::vector<std::string>& values, bool deleted) {
  std::string raw;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    raw += FormatDbfValue(fields_[i], i < values.size() ? values[i] : std::string());
  }
  return AddRaw(raw, deleted);
}

DbfBuilder& DbfBuilder::AddRaw(std::string_view bytes, bool deleted) {
  records_ += deleted ? '*' : ' ';
  records_ += bytes;
  ++count_;
  return *this;
}

std::string DbfBuilder::Bytes() const {
  std::string out = DbfHeader(fields_, header_count_.value_or(count_), version_);
  out += records_;
  if (end_marker_) out += '\x1A';
  return out;
}

void DbfBuilder::Write(const std::string& path) const { WriteFile(path, Bytes()); }

namespace {

// Creates `path` for writing: its bytes on POSIX; on Windows the UTF-8 text the program keeps
// paths in, through the wide name (a narrow fopen would read the ANSI code page), or the bytes
// as the ANSI code page reads them when they are not UTF-8.
std::FILE* CreateForWriting(const std::string& path) {
#ifdef _WIN32
  try {
    const std::filesystem::path wide(std::u8string(path.begin(), path.end()));
    return _wfopen(wide.c_str(), L"wb");
  } catch (const std::exception&) {
  }
#endif
  return std::fopen(path.c_str(), "wb");
}

}  // namespace

void WriteFile(const std::string& path, std::string_view bytes) {
  std::FILE* f = CreateForWriting(path);
  if (f == nullptr) throw std::runtime_error("cannot create " + path);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

DbfFileWriter::DbfFileWriter(const std::string& path, std::vector<DbfFieldSpec> fields)
    : fields_(std::move(fields)) {
  file_ = CreateForWriting(path);
  if (file_ == nullptr) throw std::runtime_error("cannot create " + path);
  const std::string header = DbfHeader(fields_, 0);
  std::fwrite(header.data(), 1, header.size(), file_);
}

DbfFileWriter::~DbfFileWriter() {
  try {
    Finish();
  } catch (...) {
  }
}

void DbfFileWriter::Add(const std::vector<std::string>& values, bool deleted) {
  record_.clear();
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    record_ += FormatDbfValue(fields_[i], i < values.size() ? values[i] : std::string());
  }
  AddRaw(record_, deleted);
}

void DbfFileWriter::AddRaw(std::string_view bytes, bool deleted) {
  const char flag = deleted ? '*' : ' ';
  std::fwrite(&flag, 1, 1, file_);
  std::fwrite(bytes.data(), 1, bytes.size(), file_);
  ++count_;
}

void DbfFileWriter::Finish() {
  if (file_ == nullptr) return;
  std::fputc(0x1A, file_);
  std::string count(4, '\0');
  PutLe32(count, 0, count_);
  std::fseek(file_, 4, SEEK_SET);
  std::fwrite(count.data(), 1, 4, file_);
  const bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!ok) throw std::runtime_error("cannot finish the dBase file");
}

}  // namespace tools
