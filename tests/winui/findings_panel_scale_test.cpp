// The Windows panel on the benchmark files (1,000,000 risks and 300,000 claims, 1.75 million
// findings): how long after the run's end the list view shows every row, a jump to the last row,
// a filter by check, and the process's peak memory. Runs only when TALMERO_BENCHDATA names the
// folder of riscos.dbf and sinistros.dbf (a Windows path under Wine, e.g. Z:\data); the figures
// go to standard output. Wine's timings are indicative only.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "winui/findings_panel.h"
#include "winui/window_fixture.h"

namespace {

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

using WinuiPanelScaleTest = testing_support::Win32WindowTest;

TEST_F(WinuiPanelScaleTest, BenchmarkFiles) {
  const char* folder = std::getenv("TALMERO_BENCHDATA");
  if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "TALMERO_BENCHDATA not set";
  window_ = nullptr;  // a window without invalid-date boxes, as the program's --sem-avisos-de-data
  winui::InicioSetup setup;
  setup.program_folder = dir_.folder();
  setup.regional = engine::Regional::PtBr();
  setup.clock = testing_support::FixedNow;
  setup.quit_on_close = false;
  setup.invalid_date_notices = false;
  window_ = std::make_unique<winui::Inicio>(std::move(setup));
  ShowWindow(window_->hwnd(), SW_SHOWNORMAL);
  SetText("edArqRisco", std::string(folder) + "\\riscos.dbf");
  SetText("edArqSinistro", std::string(folder) + "\\sinistros.dbf");

  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunAndWait());
  const double run = MsSince(start);
  start = std::chrono::steady_clock::now();
  window_->controller().OpenPanel();
  winui::FindingsPanel* panel = window_->findings_panel();
  ASSERT_TRUE(Pump([panel] { return !panel->IsBusy(); }, 120000));
  HWND list = panel->Control("lvFalhas");
  UpdateWindow(list);
  const double opened = MsSince(start);
  ASSERT_TRUE(panel->IsLoaded());
  const auto rows = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
  EXPECT_EQ(static_cast<std::size_t>(rows), panel->index()->RowCount());

  start = std::chrono::steady_clock::now();
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rows - 1), FALSE);
  UpdateWindow(list);
  const double last = MsSince(start);
  EXPECT_GE(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), rows - 100);

  HWND checks = panel->Control("cbVerificacao");
  const auto entries = SendMessageW(checks, CB_GETCOUNT, 0, 0);
  int dominio = -1;
  for (WPARAM i = 0; i < static_cast<WPARAM>(entries); ++i) {
    wchar_t text[128] = {};
    SendMessageW(checks, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    if (std::wcsncmp(text, L"dominio (", 9) == 0) dominio = static_cast<int>(i);
  }
  ASSERT_GT(dominio, 0);
  start = std::chrono::steady_clock::now();
  SendMessageW(checks, CB_SETCURSEL, static_cast<WPARAM>(dominio), 0);
  SendMessageW(panel->hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(checks), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(checks));
  ASSERT_TRUE(Pump([panel] { return !panel->IsBusy(); }, 120000));
  UpdateWindow(list);
  const double filter = MsSince(start);
  const auto filtered = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
  EXPECT_GT(filtered, 0);
  EXPECT_LT(filtered, rows);

  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf(
      "run %.0f ms; panel filled %.0f ms after the run (%lld rows, index %zu MB); last row %.1f "
      "ms; filter dominio %.0f ms (%lld rows); peak working set %zu MB\n",
      run, opened, static_cast<long long>(rows), panel->index()->MemoryBytes() >> 20, last, filter,
      static_cast<long long>(filtered), static_cast<std::size_t>(memory.PeakWorkingSetSize >> 20));
  EXPECT_LT(memory.PeakWorkingSetSize, std::size_t{250} << 20);
}

}  // namespace
