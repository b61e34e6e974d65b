#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/interrupt_cleanup.h"
#include "platform/interrupt_system.h"

namespace platform {

// A file the process still holds cannot be deleted here; the temporary index is therefore
// created to be deleted when its handle closes, which ExitProcess does.
void RemoveFileNow(const char* path) noexcept { DeleteFileA(path); }

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
