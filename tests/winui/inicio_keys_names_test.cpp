// The Win32 window with the keyboard alone and with the names users give their folders and
// files: Tab leaves the log, saves to accented names and to names beyond the system's code page
// equal the runner's.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "frontend/report_export.h"
#include "frontend/window_texts.h"
#include "support/file_bytes.h"
#include "winui/box_watcher.h"
#include "winui/inicio.h"
#include "winui/window_fixture.h"

namespace {

using testing_support::AnswerSaveDialog;
using testing_support::BoxWatcher;
using testing_support::HasText;
using testing_support::SeenBox;
using winui::Widen;

using testing_support::ReadBytes;

// Every name in `folder`, as wide text.
std::vector<std::wstring> Names(const std::filesystem::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().wstring());
  }
  return names;
}

using WinuiKeysTest = testing_support::Win32WindowTest;

TEST_F(WinuiKeysTest, TabLeavesTheLogForTheExportThenTheHelp) {
  SetFocus(Control("edLog"));
  const auto press_tab = [this] {
    HWND from = GetFocus();
    PostMessageW(from, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(from, WM_KEYUP, VK_TAB, 0xC0000001);
    Pump([from] { return GetFocus() != from; }, 2000);
    return GetFocus();
  };
  EXPECT_EQ(press_tab(), Control("btnExporta"));
  EXPECT_EQ(press_tab(), Control("btnAjuda"));
}

TEST_F(WinuiKeysTest, APlainLetterAtAButtonIsNoAcceleratorAndClosingUnexportedAsks) {
  {
    BoxWatcher watcher(GetCurrentThreadId(),
                       [](HWND box, const SeenBox&) { testing_support::CloseBox(box); });
    ASSERT_TRUE(RunAndWait());
  }
  ASSERT_FALSE(window_->ReportLines().empty());
  BoxWatcher watcher(GetCurrentThreadId(), [](HWND box, const SeenBox&) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
  });
  // The keys only: the loop's TranslateMessage makes the character, as for a real keyboard.
  const auto type = [this](UINT down, UINT up, LPARAM alt) {
    HWND at = GetFocus();
    PostMessageW(at, down, 'F', alt | 1);
    PostMessageW(at, up, 'F', alt | 0xC0000001);
    Pump([] { return false; }, 500);
  };
  // "f" alone, at the export button, would have been Alt+F ("&Fechar") and lost the report.
  SetFocus(Control("btnExporta"));
  type(WM_KEYDOWN, WM_KEYUP, 0);
  ASSERT_TRUE(IsWindow(window_->hwnd()));
  EXPECT_TRUE(watcher.seen().empty());
  // Alt+F asks first, the report never having been exported; "No" keeps the window.
  type(WM_SYSKEYDOWN, WM_SYSKEYUP, LPARAM{1} << 29);
  ASSERT_TRUE(IsWindow(window_->hwnd()));
  const std::vector<SeenBox> seen = watcher.seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(HasText(seen[0], Widen(frontend::kCloseUnexported)));
}

using WinuiNamesTest = testing_support::Win32WindowTest;

TEST_F(WinuiNamesTest, ExportToNamesInAnyScriptEqualsTheRunnersFile) {
  const std::string riscos = testing_support::BuildFile("amostras/riscos.dbf");
  const std::string sinistros = testing_support::BuildFile("amostras/sinistros.dbf");
  SetText("edArqRisco", riscos);
  SetText("edArqSinistro", sinistros);
  {
    BoxWatcher watcher(GetCurrentThreadId(), [](HWND box, const SeenBox&) {
      SendMessageW(box, TDM_CLICK_VERIFICATION, TRUE, FALSE);
      SendMessageW(box, TDM_CLICK_BUTTON, IDOK, 0);
    });
    ASSERT_TRUE(RunAndWait());
    const std::vector<SeenBox> seen = watcher.seen();
    ASSERT_EQ(seen.size(), 1u);
    // Where the date stands, as the Qt box shows it.
    bool place = false;
    for (const std::wstring& text : seen[0].texts) {
      place = place || (text.rfind(L"Arquivo: " + Widen(riscos) + L", registro ", 0) == 0 &&
                        text.find(L", campo ") != std::wstring::npos);
    }
    EXPECT_TRUE(place);
  }
  const std::filesystem::path folder = dir_.path() / L"\u00C1rea de Trabalho";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::filesystem::path exported = folder / L"Relat\u00F3rio mar\u00E7o.txt";
  const auto export_to = [&](const std::filesystem::path& path) {
    BoxWatcher watcher(GetCurrentThreadId(), [&](HWND box, const SeenBox& seen) {
      if (seen.caption == L"Exporta resultado PRX") {
        AnswerSaveDialog(box, path);
      } else {
        testing_support::CloseBox(box);  // an error, or the viewer's result
      }
    });
    SendMessageW(Control("btnExporta"), BM_CLICK, 0, 0);
    return watcher.seen();
  };

  // A name beyond the system's code page is written as typed, not under a name the code page
  // makes of it.
  const std::filesystem::path beyond = folder / L"Relat\u00F3rio \u6771\u4EAC \U0001F600.txt";
  for (const std::filesystem::path& path : {beyond, exported}) {
    for (const SeenBox& box : export_to(path)) {
      for (const std::wstring& text : box.texts) {
        EXPECT_EQ(text.find(L"Cannot"), std::wstring::npos) << winui::Narrow(text);
      }
    }
  }
  const std::filesystem::path saida = dir_.path() / "saida.txt";
  Runner(riscos, sinistros, saida.string());
  EXPECT_EQ(ReadBytes(beyond), ReadBytes(saida));
  EXPECT_EQ(ReadBytes(exported), ReadBytes(saida));
  std::vector<std::wstring> names = Names(folder);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{exported.filename().wstring(),
                                              beyond.filename().wstring()}));
}

}  // namespace
