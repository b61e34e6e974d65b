#include "outputs/workbook_parts.h"

#ifdef TALMERO_XLSX
#include <minizip/unzip.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/system_path.h"

namespace outputs {
namespace {

constexpr std::size_t kKept = 256;  // bytes kept of a part's start and of its end

void Keep(std::string_view bytes, std::string* head, std::string* tail) {
  if (head->size() < kKept) head->append(bytes.substr(0, kKept - head->size()));
  tail->append(bytes);
  if (tail->size() > kKept) tail->erase(0, tail->size() - kKept);
}

// Inflates the archive's current part, keeping its first and last bytes; false when its data
// cannot be read or does not match its checksum.
bool Contents(unzFile zip, std::string* head, std::string* tail) {
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  std::array<char, 1 << 16> block;
  int got = 0;
  while ((got = unzReadCurrentFile(zip, block.data(), static_cast<unsigned>(block.size()))) > 0) {
    Keep(std::string_view(block.data(), static_cast<std::size_t>(got)), head, tail);
  }
  return unzCloseCurrentFile(zip) == UNZ_OK && got == 0;
}

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

// Reads every part in archive order; false with the reason at the first that is not whole.
bool CheckParts(unzFile zip, std::string* reason) {
  int status = unzGoToFirstFile(zip);
  if (status != UNZ_OK) {
    *reason = "a planilha gravada não pôde ser lida de volta";
    return false;
  }
  for (; status == UNZ_OK; status = unzGoToNextFile(zip)) {
    std::array<char, 512> name_bytes{};
    if (unzGetCurrentFileInfo64(zip, nullptr, name_bytes.data(), name_bytes.size() - 1, nullptr, 0,
                                nullptr, 0) != UNZ_OK) {
      *reason = "a planilha gravada não pôde ser lida de volta";
      return false;
    }
    const std::string name(name_bytes.data());
    std::string head;
    std::string tail;
    if (!Contents(zip, &head, &tail)) {
      *reason = "a parte " + name + " da planilha gravada não pôde ser lida de volta";
      return false;
    }
    if (IsXmlPart(name) && !Closed(head, tail)) {
      *reason = "a parte " + name + " da planilha ficou incompleta";
      return false;
    }
  }
  if (status != UNZ_END_OF_LIST_OF_FILE) {
    *reason = "a planilha gravada não pôde ser lida de volta";
    return false;
  }
  return true;
}

}  // namespace

bool WorkbookPartsWhole(const std::string& path, std::string* reason) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(platform::FileSystemPath(path), error)) {
    return true;  // a device: nothing to read
  }
  // Opened as the library wrote it: by its narrow name (platform/system_path.h).
  const std::optional<std::string> narrow = platform::NarrowApiPath(path);
  unzFile zip = narrow ? unzOpen64(narrow->c_str()) : nullptr;
  if (zip == nullptr) {
    *reason = "a planilha gravada não pôde ser lida de volta";
    return false;
  }
  const bool whole = CheckParts(zip, reason);
  unzClose(zip);
  return whole;
}

}  // namespace outputs

#else  // a build without libxlsxwriter writes no workbook to check

namespace outputs {

bool WorkbookPartsWhole(const std::string&, std::string*) { return false; }

}  // namespace outputs

#endif
