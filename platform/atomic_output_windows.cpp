#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/atomic_output.h"
#include "platform/exclusive_file.h"
#include "platform/unique_name.h"
#include "platform/wide_path_windows.h"

namespace platform {
namespace {

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// UTF-16 units in one name, on every Windows file system.
constexpr std::size_t kNameLimit = 255;
constexpr std::string_view kTempExtension = ".tmp";

// The name with "_" for each character beyond ASCII: the temporary file's name stays one that
// a library opening files through the ANSI code page can take (the workbook writer), whatever
// the target's name.
std::string AsciiName(std::string_view name) {
  std::string ascii;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      ascii += c;
    } else if ((byte & 0xC0) != 0x80) {  // the lead byte of a UTF-8 sequence
      ascii += '_';
    }
  }
  return ascii;
}

// Removes the temporary files of this output that killed runs left behind. A live run's is open
// without sharing for reading or writing, so the removal's own open fails and it stays.
void RemoveKilledRunsFiles(const std::string& folder, const std::string& stem) {
  WIN32_FIND_DATAW found;
  HANDLE search =
      FindFirstFileW(WidePath(folder + stem + "-*" + std::string(kTempExtension)).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> leftovers;
  do {
    const std::string name = Utf8Path(found.cFileName);
    if (IsUniqueName(name, stem, kTempExtension)) leftovers.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  for (const std::string& name : leftovers) RemoveUnheldLeftover(folder + name);
}

}  // namespace

// Windows keeps no POSIX mode; the rename replaces the name given (a link there is replaced
// by the file, as the system's own programs do).
std::optional<AtomicOutput> AtomicOutput::Create(const std::string& target, std::string* reason) {
  AtomicOutput out;
  out.final_ = target;
  const std::string folder = FolderOf(target);
  const std::string name = NameOf(target);
  if (WidePath(name).size() > kNameLimit) {  // now, not after the whole run
    if (reason != nullptr) *reason = SystemErrorText(ERROR_FILENAME_EXCED_RANGE);
    return std::nullopt;
  }
  // Cut by bytes, never more UTF-16 units than bytes: the temporary name always fits.
  const std::string stem(StemThatFits("~" + AsciiName(name), kTempExtension, kNameLimit));
  RemoveKilledRunsFiles(folder, stem);
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = folder + UniqueName(stem, kTempExtension);
    // Shared for deletion, so the interrupt cleanup can delete it while it is open, and for
    // writing, so a writer that takes its path (the workbook library) can open it again. A
    // leftover is still told from a live run's file: the live one refuses an open without sharing.
    HANDLE h = CreateFileW(WidePath(temp).c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      break;
    }
    out.handle_ = reinterpret_cast<std::intptr_t>(h);
    out.temp_ = temp;
    out.on_interrupt_ = RemoveOnInterrupt(temp);
    return out;
  }
  if (reason != nullptr) *reason = SystemErrorText(GetLastError());
  return std::nullopt;
}

bool AtomicOutput::Write(std::string_view bytes) {
  if (handle_ == -1 || error_ != 0) return false;
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(bytes.size() < std::numeric_limits<DWORD>::max() / 2
                                               ? bytes.size()
                                               : std::numeric_limits<DWORD>::max() / 2);
    DWORD put = 0;
    const BOOL ok = WriteFile(AsHandle(handle_), bytes.data(), piece, &put, nullptr);
    if (!ok || put == 0) {
      error_ = ok ? ERROR_DISK_FULL : GetLastError();
      return false;
    }
    bytes.remove_prefix(put);
  }
  return true;
}

unsigned long AtomicOutput::FinishFile() {
  HANDLE h = AsHandle(std::exchange(handle_, -1));
  unsigned long error = 0;
  if (!FlushFileBuffers(h)) error = GetLastError();
  CloseHandle(h);
  if (error == 0 && !MoveFileExW(WidePath(temp_).c_str(), WidePath(final_).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  return error;
}

void AtomicOutput::CloseFile() {
  if (handle_ != -1) CloseHandle(AsHandle(std::exchange(handle_, -1)));
}

}  // namespace platform
