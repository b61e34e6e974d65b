#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/interrupt_cleanup.h"
#include "platform/interrupt_system.h"

namespace platform {

// A file the process still holds cannot be deleted here; the temporary index is therefore
// created to be deleted when its handle closes, which ExitProcess does.
bool RemoveFileNow(const char* path, std::intptr_t) noexcept {
  return DeleteFileA(path) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND ||
         GetLastError() == ERROR_PATH_NOT_FOUND;
}

void SayNotRemoved(const char* path) noexcept {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
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
