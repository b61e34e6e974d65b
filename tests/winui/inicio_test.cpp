// The Win32 window under Wine: its controls against the shared table, and whole runs on the
// shipped samples against the runner, through the real boxes and dialogs.
#include "winui/inicio.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <fstream>

#include "frontend/control_table.h"
#include "frontend/message_text.h"
#include "frontend/report_export.h"
#include "frontend/save_dialogs.h"
#include "frontend/window_texts.h"
#include "platform/interrupt_cleanup.h"
#include "support/file_bytes.h"
#include "winui/box_watcher.h"
#include "winui/window_fixture.h"

namespace {

using testing_support::BoxWatcher;
using testing_support::HasText;
using testing_support::SeenBox;
using winui::Widen;

const std::wstring kTitle = L"Talmero PRX";

using testing_support::ReadBytes;

std::wstring Tooltip(HWND tooltips, HWND owner, HWND control) {
  wchar_t buffer[256] = {};
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = buffer;
  SendMessageW(tooltips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  return buffer;
}

HWND TooltipsOf(HWND window) {
  struct Search {
    HWND owner;
    HWND found = nullptr;
  } search{window};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (std::wstring(name) == TOOLTIPS_CLASSW && GetWindow(hwnd, GW_OWNER) == s->owner) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

using testing_support::AnswerSaveDialog;

using WinuiControlsTest = testing_support::Win32WindowTest;

TEST_F(WinuiControlsTest, EveryControlAsTheTableSaysBeforeAndAfterResizing) {
  HWND window = window_->hwnd();
  wchar_t caption[128] = {};
  GetWindowTextW(window, caption, 128);
  EXPECT_EQ(std::wstring(caption), Widen(frontend::kWindowCaption));
  EXPECT_NE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
  HWND tooltips = TooltipsOf(window);
  ASSERT_NE(tooltips, nullptr);

  const int dpi = window_->dpi();
  for (const SIZE client : {SIZE{frontend::Scale(668, dpi), frontend::Scale(551, dpi)},
                            SIZE{frontend::Scale(900, dpi), frontend::Scale(700, dpi)}}) {
    RECT outer{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    Pump([] { return true; });
    RECT area;
    GetClientRect(window, &area);
    ASSERT_EQ(area.right, client.cx);
    ASSERT_EQ(area.bottom, client.cy);
    for (const frontend::ControlSpec& spec : frontend::Controls()) {
      SCOPED_TRACE(std::string(spec.name) + " at " + std::to_string(client.cx));
      HWND control = GetDlgItem(window, spec.id);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(control, window_->Control(spec.name));
      EXPECT_EQ(testing_support::TextOf(control), Widen(spec.caption));
      // The strip's tooltip names the catalogue folder of the runs.
      if (spec.kind != frontend::ControlKind::kStatusBar) {
        EXPECT_EQ(Tooltip(tooltips, window, control), Widen(spec.tooltip));
      }
      RECT r;
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      const frontend::Rect expected = frontend::Place(spec, client.cx, client.cy, dpi);
      EXPECT_EQ((frontend::Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}), expected);
      const bool tab_stop = (GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP) != 0;
      EXPECT_EQ(tab_stop, spec.tab_stop);
    }
  }
  EXPECT_EQ(GetDlgItem(window, IDOK), Control("btnOk"));
  EXPECT_EQ(SendMessageW(Control("btnOk"), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON,
            DLGC_DEFPUSHBUTTON);
  const LONG_PTR log_style = GetWindowLongPtrW(Control("edLog"), GWL_STYLE);
  EXPECT_EQ(log_style & (ES_READONLY | ES_MULTILINE | WS_HSCROLL | WS_VSCROLL),
            ES_READONLY | ES_MULTILINE | WS_HSCROLL | WS_VSCROLL);
  EXPECT_EQ(SendMessageW(Control("ProgressBar"), PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_NE(GetWindowLongPtrW(Control("ProgressBar"), GWL_STYLE) & PBS_VERTICAL, 0);

  // Tab goes through the focusable controls in the designed order.
  std::vector<std::wstring> order;
  HWND focus = Control("edArqRisco");
  for (int i = 0; i < 7; ++i) {
    for (const frontend::ControlSpec& spec : frontend::Controls()) {
      if (GetDlgItem(window, spec.id) == focus) order.push_back(Widen(spec.name));
    }
    focus = GetNextDlgTabItem(window, focus, FALSE);
  }
  const std::vector<std::wstring> expected = {L"edArqRisco", L"edArqSinistro", L"btnOk",
                                              L"btnFechar",  L"edLog",         L"btnExporta",
                                              L"btnAjuda"};
  EXPECT_EQ(order, expected);
}

TEST_F(WinuiControlsTest, TheCommonControlsOfVersion6AreLoaded) {
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(comctl, path, MAX_PATH);
  std::wstring lower(path);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  EXPECT_NE(lower.find(L"\\winsxs\\"), std::wstring::npos) << winui::Narrow(path);
  // The side-by-side folder names the assembly and its version.
  EXPECT_NE(lower.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."),
            std::wstring::npos)
      << winui::Narrow(path);
}

using WinuiActionsTest = testing_support::Win32WindowTest;

TEST_F(WinuiActionsTest, HelpMissingFromTheProgramFolderIsTold) {
  BoxWatcher watcher(GetCurrentThreadId(),
                     [](HWND box, const SeenBox&) { testing_support::CloseBox(box); });
  SendMessageW(Control("btnAjuda"), BM_CLICK, 0, 0);
  const std::vector<SeenBox> seen = watcher.seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, kTitle);
  EXPECT_TRUE(HasText(seen[0], L"The specified file was not found."));
}

TEST_F(WinuiActionsTest, ExportOverAnInputIsRefusedAndWritesNothing) {
  const std::filesystem::path riscos = dir_.path() / "riscos.dbf";
  std::filesystem::copy_file(testing_support::BuildFile("amostras/riscos.dbf"), riscos);
  const std::string before = ReadBytes(riscos);
  SetText("edArqRisco", riscos.string());
  BoxWatcher watcher(GetCurrentThreadId(), [&](HWND box, const SeenBox& seen) {
    if (seen.caption == L"Exporta resultado PRX") {
      AnswerSaveDialog(box, riscos);
    } else {
      testing_support::CloseBox(box);
    }
  });
  SendMessageW(Control("btnExporta"), BM_CLICK, 0, 0);
  const std::vector<SeenBox> seen = watcher.seen();
  // The dialog, its question before replacing a file, then the refusal; nothing opened.
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].caption, kTitle);
  EXPECT_TRUE(HasText(seen[2], Widen("Não é possível gravar sobre um arquivo de entrada: " +
                                     frontend::FullPathText(riscos) + ".")));
  EXPECT_EQ(ReadBytes(riscos), before);
}

TEST_F(WinuiActionsTest, TheHistoryDialogListsTheCompanysRunsNewestFirst) {
  winui::InicioSetup setup;
  setup.program_folder = dir_.folder();
  setup.regional = engine::Regional::PtBr();
  setup.clock = testing_support::FixedNow;
  setup.quit_on_close = false;
  setup.invalid_date_notices = false;
  setup.history = {(dir_.path() / "historico.sqlite").string(), false};
  winui::Inicio window(std::move(setup));
  SetWindowTextW(window.Control("edArqSinistro"),
                 Widen(testing_support::BuildFile("amostras/sinistros.dbf")).c_str());
  for (int run = 0; run < 2; ++run) {
    window.controller().Run();
    Pump([&window] { return !window.IsRunning(); });
  }
  int rows = -1;
  BoxWatcher watcher(GetCurrentThreadId(), [&rows](HWND box, const SeenBox&) {
    rows = static_cast<int>(
        SendMessageW(FindWindowExW(box, nullptr, WC_LISTVIEWW, nullptr), LVM_GETITEMCOUNT, 0, 0));
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  });
  window.controller().ShowRunHistory();
  Pump([&] { return !window.controller().history_busy() && rows >= 0; }, 20000);
  const std::vector<SeenBox> seen = watcher.seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption.rfind(L"Histórico de críticas da empresa ", 0), 0u);
  EXPECT_TRUE(HasText(seen[0], Widen(frontend::kDeleteHistory)));
  EXPECT_EQ(rows, 2);
}

using WinuiRunTest = testing_support::Win32WindowTest;
using testing_support::RunnerOutcome;

TEST_F(WinuiRunTest, TheSamplesGiveTheRunnersReportExportAndFailureList) {
  const std::string riscos = testing_support::BuildFile("amostras/riscos.dbf");
  const std::string sinistros = testing_support::BuildFile("amostras/sinistros.dbf");
  SetText("edArqRisco", riscos);
  SetText("edArqSinistro", sinistros);
  bool window_survived_close = false;
  {
    // The invalid-date box: read, ticked, closed. While it is up the run goes on, so the window
    // refuses to close.
    BoxWatcher watcher(GetCurrentThreadId(), [&](HWND box, const SeenBox&) {
      SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
      window_survived_close = IsWindow(window_->hwnd()) != FALSE;
      SendMessageW(box, TDM_CLICK_VERIFICATION, TRUE, FALSE);
      SendMessageW(box, TDM_CLICK_BUTTON, IDOK, 0);
    });
    ASSERT_TRUE(RunAndWait());
    const std::vector<SeenBox> seen = watcher.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, kTitle);
    EXPECT_TRUE(HasText(seen[0], L"Data Inválida : 20240231"));
    EXPECT_TRUE(HasText(seen[0], Widen(frontend::kSilenceNotices)));
  }
  EXPECT_TRUE(window_survived_close);
  EXPECT_EQ(SendMessageW(Control("ProgressBar"), PBM_GETPOS, 0, 0), 0);

  const std::filesystem::path saida = dir_.path() / "saida.txt";
  const RunnerOutcome runner = Runner(riscos, sinistros, saida.string());
  EXPECT_EQ(LogLines(), Runner(riscos, sinistros).lines);
  EXPECT_GT(LogLines().size(), 40u);
  EXPECT_EQ(LogLines().back().rfind("=====", 0), 0u);

  // Export through the real save dialog, to a name whose type no program opens.
  const std::filesystem::path exported = dir_.path() / "relatorio.prxsem";
  {
    BoxWatcher watcher(GetCurrentThreadId(), [&](HWND box, const SeenBox& seen) {
      if (seen.caption == L"Exporta resultado PRX") {
        AnswerSaveDialog(box, exported);
      } else {
        testing_support::CloseBox(box);
      }
    });
    SendMessageW(Control("btnExporta"), BM_CLICK, 0, 0);
    const std::vector<SeenBox> seen = watcher.seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].caption, kTitle);
    EXPECT_TRUE(
        HasText(seen[1], L"There is no application associated with the given filename extension."));
  }
  const std::string bytes = ReadBytes(exported);
  EXPECT_EQ(bytes, ReadBytes(saida));

  // The run's failure list, saved as the log's context menu does, equals the runner's.
  const std::filesystem::path falhas = dir_.path() / "falhas.csv";
  {
    BoxWatcher watcher(GetCurrentThreadId(),
                       [&](HWND box, const SeenBox&) { AnswerSaveDialog(box, falhas); });
    window_->controller().SaveFailures();
    // The dialog, the progress while it goes (if still going when asked), the confirmation.
    const std::vector<SeenBox> seen = watcher.seen();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, L"Salva lista de falhas PRX");
    EXPECT_TRUE(
        HasText(seen.back(), Widen(frontend::SavedListText(frontend::FullPathText(falhas)))));
  }
  const std::filesystem::path detalhes = dir_.path() / "detalhes.csv";
  Runner(riscos, sinistros, saida.string(), {"--detalhes", detalhes.string()});
  EXPECT_GT(ReadBytes(falhas).size(), 100u);
  EXPECT_EQ(ReadBytes(falhas), ReadBytes(detalhes));
  EXPECT_NE(bytes.find("In\xED"
                       "cio do processamento: 15/03/2024 10:20:30\r\n"),
            std::string::npos);
}

TEST_F(WinuiRunTest, AMissingRisksFileEndsTheRunInTheErrorBox) {
  const std::string riscos = (dir_.path() / "nao_existe.dbf").string();
  SetText("edArqRisco", riscos);
  BoxWatcher watcher(GetCurrentThreadId(),
                     [](HWND box, const SeenBox&) { testing_support::CloseBox(box); });
  ASSERT_TRUE(RunAndWait());
  const RunnerOutcome runner = Runner(riscos, "");
  ASSERT_FALSE(runner.error.empty());
  const std::vector<SeenBox> seen = watcher.seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, kTitle);
  // The error's own text, then the run's cause as the runner writes it.
  ASSERT_FALSE(runner.cause.empty());
  EXPECT_TRUE(HasText(seen[0], Widen(frontend::DecodeMessage(runner.error) + "\n\n" +
                                     frontend::DecodeMessage(runner.cause))))
      << runner.error;
  EXPECT_EQ(LogLines(), runner.lines);  // the lines written before the error stay
}

// Once the session ends the cleanup keeps any further file from being created (the system ends
// the process next), which would stop every later test that writes one: the test runs in a
// process of its own, this program started again for it alone.
using WinuiSessionEndTest = testing_support::Win32WindowTest;

TEST_F(WinuiSessionEndTest, TheEndOfTheSessionRemovesTheTemporaryFiles) {
  constexpr wchar_t kAlone[] = L"TALMERO_SESSION_END_ALONE";
  if (GetEnvironmentVariableW(kAlone, nullptr, 0) == 0) {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(program) +
        L"\" --gtest_filter=WinuiSessionEndTest.TheEndOfTheSessionRemovesTheTemporaryFiles";
    SetEnvironmentVariableW(kAlone, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kAlone, nullptr);
    ASSERT_TRUE(started);
    WaitForSingleObject(process.hProcess, 120000);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(status, 0u);
    return;
  }
  const std::filesystem::path temp = dir_.path() / "apolice.ntx";
  std::ofstream(temp) << "index";
  platform::RemoveOnInterrupt registered(temp.string());
  ASSERT_TRUE(registered.registered());
  SendMessageW(window_->hwnd(), WM_ENDSESSION, FALSE, 0);  // the session goes on
  EXPECT_TRUE(std::filesystem::exists(temp));
  SendMessageW(window_->hwnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(std::filesystem::exists(temp));
}

}  // namespace
