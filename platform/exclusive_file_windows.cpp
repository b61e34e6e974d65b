// Windows: the sharing mode of the open itself is the lock. Share mode 0 makes every other open
// of the file (in this process or any other program) fail with a sharing violation while the
// handle is open; FILE_SHARE_READ alone lets other readers in and keeps writers (and deleters)
// out. No advisory cooperation is needed.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// windows.h maps DeleteFile to DeleteFileA; the platform's own DeleteFile must keep its name.
#undef DeleteFile

#include <limits>
#include <string>

#include "platform/exclusive_file.h"
#include "platform/path_separator.h"
#include "platform/wide_path_windows.h"

namespace platform {
namespace {

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t FromHandle(HANDLE h) { return reinterpret_cast<std::intptr_t>(h); }

// The invalid handle value is -1 on Windows too, matching the moved-from state.
bool Valid(std::intptr_t handle) { return AsHandle(handle) != INVALID_HANDLE_VALUE; }

std::optional<HANDLE> Open(const std::string& path, DWORD access, DWORD disposition,
                           DWORD flags = FILE_ATTRIBUTE_NORMAL, DWORD share = 0) {
  // A directory does not open without FILE_FLAG_BACKUP_SEMANTICS, so it is refused here.
  HANDLE h =
      CreateFileW(WidePath(path).c_str(), access, share, nullptr, disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  if (GetFileType(h) != FILE_TYPE_DISK) {  // a device name such as NUL or CON, or a pipe
    CloseHandle(h);
    SetLastError(ERROR_ACCESS_DENIED);
    return std::nullopt;
  }
  return h;
}

void SetReason(std::string* reason) {
  if (reason != nullptr) *reason = SystemErrorText(GetLastError());
}

// ReadFile and WriteFile take a 32-bit count; larger requests go in pieces.
DWORD Piece(std::size_t remaining) {
  constexpr std::size_t kMax = std::numeric_limits<DWORD>::max() / 2;
  return static_cast<DWORD>(remaining < kMax ? remaining : kMax);
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED ov{};
  ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return ov;
}

}  // namespace

std::optional<ExclusiveFile> ExclusiveFile::OpenRead(const std::string& path,
                                                     OpenFailure* failure) {
  *failure = OpenFailure{};
  auto h = Open(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ);
  if (!h) {
    const DWORD code = GetLastError();
    failure->in_use = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
    failure->missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    failure->reason = SystemErrorText(code);
    return std::nullopt;
  }
  return ExclusiveFile(FromHandle(*h));
}

std::optional<ExclusiveFile> ExclusiveFile::CreateReadWrite(const std::string& path) {
  // OPEN_ALWAYS and then truncate: a file another holds fails the open and is left intact.
  auto h = Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
  if (!h) return std::nullopt;
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(*h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(*h)) {
    CloseHandle(*h);
    return std::nullopt;
  }
  return ExclusiveFile(FromHandle(*h));
}

namespace {

// CREATE_NEW fails on any existing name, a link included, so nothing is created through one.
std::optional<HANDLE> CreateNewHandle(const std::string& path, std::string* reason, DWORD flags) {
  auto h = Open(path, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW, flags);
  if (!h) SetReason(reason);
  return h;
}

}  // namespace

bool RemoveUnheldLeftover(const std::string& path, std::string* reason) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return true;  // nothing to remove; a directory makes the create fail
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    DeleteFileW(wide.c_str());  // removes the link itself, never its target
    return true;
  }
  // Opened without sharing and deleted on close: a file another run holds fails the open
  // with a sharing violation and is left alone.
  HANDLE h = CreateFileW(wide.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetReason(reason);
    return false;
  }
  CloseHandle(h);
  return true;
}

std::optional<ExclusiveFile> ExclusiveFile::CreateNew(const std::string& path,
                                                      std::string* reason) {
  auto h = CreateNewHandle(path, reason, FILE_ATTRIBUTE_NORMAL);
  if (!h) return std::nullopt;
  return ExclusiveFile(FromHandle(*h));
}

std::optional<ExclusiveFile> ExclusiveFile::CreateFresh(const std::string& path,
                                                        std::string* reason) {
  if (!RemoveUnheldLeftover(path, reason)) return std::nullopt;
  return CreateNew(path, reason);
}

std::optional<ExclusiveFile> ExclusiveFile::CreateTemporary(const std::string& path,
                                                            std::string* reason) {
  if (!RemoveUnheldLeftover(path, reason)) return std::nullopt;
  auto h = CreateNewHandle(path, reason, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
  if (!h) return std::nullopt;
  return ExclusiveFile(FromHandle(*h));
}

std::uint64_t ExclusiveFile::Size() const {
  if (in_memory_) return memory_.size();
  LARGE_INTEGER size{};
  if (!Valid(handle_) || !GetFileSizeEx(AsHandle(handle_), &size) || size.QuadPart < 0) return 0;
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<FileIdentity> ExclusiveFile::Identity() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (in_memory_ || !Valid(handle_) || !GetFileInformationByHandle(AsHandle(handle_), &info)) {
    return std::nullopt;
  }
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::optional<ExclusiveFile> ExclusiveFile::Duplicate(std::string* reason) const {
  if (in_memory_) return InMemory(memory_);
  HANDLE copy = INVALID_HANDLE_VALUE;
  if (!Valid(handle_) ||
      !DuplicateHandle(GetCurrentProcess(), AsHandle(handle_), GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    if (!Valid(handle_)) SetLastError(ERROR_INVALID_HANDLE);
    SetReason(reason);
    return std::nullopt;
  }
  return ExclusiveFile(FromHandle(copy));
}

std::optional<ExclusiveFile::Stamp> ExclusiveFile::CurrentStamp() const {
  if (in_memory_) return Stamp{memory_.size(), 0};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!Valid(handle_) || !GetFileInformationByHandle(AsHandle(handle_), &info)) return std::nullopt;
  return Stamp{
      (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
      static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                info.ftLastWriteTime.dwLowDateTime)};
}

std::size_t ExclusiveFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
  if (in_memory_) return ReadMemory(offset, buffer, n);
  if (!Valid(handle_)) return 0;
  std::size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < n) {
    OVERLAPPED ov = At(offset + done);
    DWORD got = 0;
    // At the end of the file a positioned read fails with ERROR_HANDLE_EOF: fewer bytes, as
    // the contract says.
    if (!ReadFile(AsHandle(handle_), out + done, Piece(n - done), &got, &ov) || got == 0) break;
    done += got;
  }
  return done;
}

bool ExclusiveFile::WriteAt(std::uint64_t offset, const void* buffer, std::size_t n) {
  if (!Valid(handle_)) {
    last_error_ = ERROR_INVALID_HANDLE;
    return false;
  }
  std::size_t done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < n) {
    OVERLAPPED ov = At(offset + done);
    DWORD put = 0;
    const BOOL ok = WriteFile(AsHandle(handle_), in + done, Piece(n - done), &put, &ov);
    if (!ok || put == 0) {
      last_error_ = ok ? ERROR_DISK_FULL : GetLastError();
      return false;
    }
    done += put;
  }
  return true;
}

void ExclusiveFile::Close() {
  if (Valid(handle_)) {
    CloseHandle(AsHandle(handle_));
    handle_ = -1;
  }
}

bool DeleteFile(const std::string& path) { return DeleteFileW(WidePath(path).c_str()) != 0; }

std::string TempFolder() {
  // GetTempPathW follows TMP, TEMP and USERPROFILE and ends the folder with a backslash.
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD size = static_cast<DWORD>(sizeof buffer / sizeof buffer[0]);
  const DWORD n = GetTempPathW(size, buffer);
  return WithTrailingSeparator((n > 0 && n < size) ? Utf8Path(std::wstring_view(buffer, n))
                                                   : std::string("C:\\"));
}

std::string SystemErrorText(unsigned long code) {
  // UTF-8, as the paths the messages join it with.
  wchar_t buffer[512] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           buffer, static_cast<DWORD>(sizeof buffer / sizeof buffer[0]), nullptr);
  std::string text = Utf8Path(std::wstring_view(buffer, n));
  // The system's texts end with a period and a line break; the caller adds its own frame.
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == '.' || text.back() == ' ')) {
    text.pop_back();
  }
  return text.empty() ? "error " + std::to_string(code) : text;
}

}  // namespace platform
