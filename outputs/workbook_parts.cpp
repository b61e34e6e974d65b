#include "outputs/workbook_parts.h"

#ifdef TALMERO_XLSX
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace engine {
namespace {

// Signatures and fixed sizes of the zip format (APPNOTE 4.3).
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kEnd64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kEnd64Signature = 0x06064b50;
constexpr std::uint32_t kEntrySignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kEnd64LocatorSize = 20;
constexpr std::size_t kEntrySize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kMaxComment = 0xFFFF;
constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::size_t kKept = 256;  // bytes kept of a part's start and of its end

std::uint64_t Little(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = size; i-- > 0;) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

struct Part {
  std::string name;
  std::uint16_t method = 0;
  std::uint64_t compressed = 0;
  std::uint64_t size = 0;
  std::uint64_t local = 0;  // offset of its local header
};

class Archive {
 public:
  explicit Archive(const std::string& path) : in_(path, std::ios::binary) {
    if (in_) {
      in_.seekg(0, std::ios::end);
      length_ = static_cast<std::uint64_t>(in_.tellg());
    }
  }

  // `size` bytes at `offset`; empty when the file has fewer.
  std::string Read(std::uint64_t offset, std::size_t size) {
    if (!in_ || offset > length_ || size > length_ - offset) return {};
    std::string bytes(size, '\0');
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(bytes.data(), static_cast<std::streamsize>(size));
    return in_ ? bytes : std::string();
  }

  // The central directory's entries; false when the archive's end cannot be read.
  bool Parts(std::vector<Part>* parts) {
    const std::size_t tail_size =
        static_cast<std::size_t>(std::min<std::uint64_t>(length_, kEndSize + kMaxComment));
    const std::string tail = Read(length_ - tail_size, tail_size);
    if (tail.size() < kEndSize) return false;
    std::size_t end = tail.size() - kEndSize + 1;
    do {
      --end;
    } while (end > 0 && Little(tail, end, 4) != kEndSignature);
    if (Little(tail, end, 4) != kEndSignature) return false;
    std::uint64_t count = Little(tail, end + 10, 2);
    std::uint64_t directory_size = Little(tail, end + 12, 4);
    std::uint64_t directory = Little(tail, end + 16, 4);
    const std::uint64_t end_offset = length_ - tail_size + end;
    if (end_offset >= kEnd64LocatorSize) {
      const std::string locator = Read(end_offset - kEnd64LocatorSize, kEnd64LocatorSize);
      if (!locator.empty() && Little(locator, 0, 4) == kEnd64LocatorSignature) {
        const std::string end64 = Read(Little(locator, 8, 8), 56);
        if (end64.empty() || Little(end64, 0, 4) != kEnd64Signature) return false;
        count = Little(end64, 32, 8);
        directory_size = Little(end64, 40, 8);
        directory = Little(end64, 48, 8);
      }
    }
    if (directory_size > (std::uint64_t{1} << 30)) return false;
    const std::string entries = Read(directory, static_cast<std::size_t>(directory_size));
    if (entries.size() != directory_size) return false;
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
      if (at + kEntrySize > entries.size() || Little(entries, at, 4) != kEntrySignature) {
        return false;
      }
      Part part;
      part.method = static_cast<std::uint16_t>(Little(entries, at + 10, 2));
      part.compressed = Little(entries, at + 20, 4);
      part.size = Little(entries, at + 24, 4);
      part.local = Little(entries, at + 42, 4);
      const std::size_t name_size = static_cast<std::size_t>(Little(entries, at + 28, 2));
      const std::size_t extra_size = static_cast<std::size_t>(Little(entries, at + 30, 2));
      const std::size_t comment_size = static_cast<std::size_t>(Little(entries, at + 32, 2));
      if (at + kEntrySize + name_size + extra_size + comment_size > entries.size()) return false;
      part.name = entries.substr(at + kEntrySize, name_size);
      ReadZip64(std::string_view(entries).substr(at + kEntrySize + name_size, extra_size), &part);
      parts->push_back(part);
      at += kEntrySize + name_size + extra_size + comment_size;
    }
    return true;
  }

  // Inflates `part`, keeping its first and last bytes; false when its data cannot be read.
  bool Contents(const Part& part, std::string* head, std::string* tail) {
    const std::string local = Read(part.local, kLocalSize);
    if (local.empty() || Little(local, 0, 4) != kLocalSignature) return false;
    const std::uint64_t offset =
        part.local + kLocalSize + Little(local, 26, 2) + Little(local, 28, 2);
    if (offset > length_ || part.compressed > length_ - offset) return false;
    in_.seekg(static_cast<std::streamoff>(offset));
    z_stream z{};
    if (part.method == Z_DEFLATED && inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    std::array<char, 1 << 16> input;
    std::array<char, 1 << 16> output;
    std::uint64_t left = part.compressed;
    int status = Z_OK;
    bool ok = true;
    while (left > 0 && ok) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, input.size()));
      if (!in_.read(input.data(), static_cast<std::streamsize>(n))) {
        ok = false;
        break;
      }
      left -= n;
      if (part.method != Z_DEFLATED) {
        Keep(std::string_view(input.data(), n), head, tail);
        continue;
      }
      z.next_in = reinterpret_cast<Bytef*>(input.data());
      z.avail_in = static_cast<uInt>(n);
      do {
        z.next_out = reinterpret_cast<Bytef*>(output.data());
        z.avail_out = static_cast<uInt>(output.size());
        status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_BUF_ERROR) status = Z_OK;  // no progress: it wants more input
        if (status != Z_OK && status != Z_STREAM_END) ok = false;
        Keep(std::string_view(output.data(), output.size() - z.avail_out), head, tail);
      } while (ok && status == Z_OK && (z.avail_in > 0 || z.avail_out == 0));
    }
    if (part.method == Z_DEFLATED) {
      ok = ok && status == Z_STREAM_END;
      inflateEnd(&z);
    }
    return ok;
  }

 private:
  // The sizes and offset that do not fit 32 bits are in the zip64 extra field, in this order.
  static void ReadZip64(std::string_view extra, Part* part) {
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
      const std::uint64_t id = Little(extra, at, 2);
      const std::size_t size = static_cast<std::size_t>(Little(extra, at + 2, 2));
      if (id == kZip64Extra && at + 4 + size <= extra.size()) {
        std::size_t field = at + 4;
        for (std::uint64_t* value : {&part->size, &part->compressed, &part->local}) {
          if (*value == 0xFFFFFFFF && field + 8 <= at + 4 + size) {
            *value = Little(extra, field, 8);
            field += 8;
          }
        }
      }
      at += 4 + size;
    }
  }

  static void Keep(std::string_view bytes, std::string* head, std::string* tail) {
    if (head->size() < kKept) head->append(bytes.substr(0, kKept - head->size()));
    tail->append(bytes);
    if (tail->size() > kKept) tail->erase(0, tail->size() - kKept);
  }

  std::ifstream in_;
  std::uint64_t length_ = 0;
};

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// The name of the element an XML text opens with, past its declaration; empty when none.
std::string RootName(std::string_view head) {
  std::size_t at = 0;
  while (at < head.size()) {
    at = head.find('<', at);
    if (at == std::string_view::npos || at + 1 >= head.size()) return {};
    if (head[at + 1] != '?' && head[at + 1] != '!') break;
    ++at;
  }
  const std::size_t start = at + 1;
  std::size_t end = start;
  while (end < head.size() && !IsSpace(head[end]) && head[end] != '>' && head[end] != '/') ++end;
  return std::string(head.substr(start, end - start));
}

// Whether the part's last bytes close its root element.
bool Closed(std::string_view head, std::string_view tail) {
  const std::string root = RootName(head);
  if (root.empty()) return false;
  while (!tail.empty() && IsSpace(tail.back())) tail.remove_suffix(1);
  const std::string closing = "</" + root + ">";
  return tail.size() >= closing.size() && tail.substr(tail.size() - closing.size()) == closing;
}

bool IsXmlPart(std::string_view name) {
  return name.size() > 4 && (name.substr(name.size() - 4) == ".xml" ||
                             (name.size() > 5 && name.substr(name.size() - 5) == ".rels"));
}

}  // namespace

bool WorkbookPartsWhole(const std::string& path, std::string* reason) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return true;  // a device: nothing to read
  Archive archive(path);
  std::vector<Part> parts;
  if (!archive.Parts(&parts) || parts.empty()) {
    *reason = "a planilha gravada não pôde ser lida de volta";
    return false;
  }
  for (const Part& part : parts) {
    std::string head;
    std::string tail;
    if (!archive.Contents(part, &head, &tail)) {
      *reason = "a parte " + part.name + " da planilha gravada não pôde ser lida de volta";
      return false;
    }
    if (IsXmlPart(part.name) && !Closed(head, tail)) {
      *reason = "a parte " + part.name + " da planilha ficou incompleta";
      return false;
    }
  }
  return true;
}

}  // namespace engine

#else  // a build without libxlsxwriter writes no workbook to check

namespace engine {

bool WorkbookPartsWhole(const std::string&, std::string*) { return false; }

}  // namespace engine

#endif
