#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

#include "platform/interrupt_cleanup.h"
#include "platform/interrupt_system.h"
#include "platform/wide_path_windows.h"

namespace platform {

// The path in UTF-16, converted now: the handler only hands it to DeleteFileW.
bool PrepareRemoval(const std::string& path, char* storage, std::size_t size) noexcept {
  try {
    const std::wstring wide = WidePath(path);
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (bytes > size) return false;
    std::memcpy(storage, wide.c_str(), bytes);
    return true;
  } catch (...) {
    return false;
  }
}

// A file the process still holds cannot be deleted here; the temporary index is therefore
// created to be deleted when its handle closes, which ExitProcess does.
bool RemoveFileNow(const char* prepared, std::intptr_t) noexcept {
  if (DeleteFileW(reinterpret_cast<const wchar_t*>(prepared))) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

void SayNotRemoved(const char* prepared) noexcept {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  char path[3 * RemoveOnInterrupt::kMaxPath];
  const int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(prepared), -1,
                                    path, static_cast<int>(sizeof path), nullptr, nullptr);
  if (n <= 0) return;
  const char* parts[] = {"aviso: o arquivo temporário ", path, " não pôde ser apagado\r\n"};
  for (const char* part : parts) {
    DWORD put = 0;
    WriteFile(err, part, static_cast<DWORD>(lstrlenA(part)), &put, nullptr);
  }
}

namespace {

BOOL WINAPI OnConsoleEvent(DWORD event) {
  RemoveRegisteredFiles();
  ExitProcess(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT
                  ? static_cast<UINT>(kInterruptedBySigint)
                  : static_cast<UINT>(kInterruptedBySigterm));
}

}  // namespace

namespace interrupt_system {

// The console handler runs on a thread of its own: no thread needs to hold anything back.
void HoldSignals(SavedMask&) noexcept {}
void RestoreSignals(const SavedMask&) noexcept {}
void Nap() noexcept { Sleep(1); }
void WaitForExit() noexcept {
  for (;;) Sleep(INFINITE);
}

}  // namespace interrupt_system

void InstallInterruptCleanup() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace platform
