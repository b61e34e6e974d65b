#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/interrupt_cleanup.h"

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

// The console handler runs on a thread of its own, so there is nothing to hold back here.
DeferInterrupts::DeferInterrupts() = default;
DeferInterrupts::~DeferInterrupts() = default;

void InstallInterruptCleanup() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace platform
