// The Windows findings panel over a run of the shipped samples: opened by Ctrl+Shift+F, its rows,
// filter counts and saved rows equal what the core gives for the runner's list of the same run,
// a row's record shows the input's fields, and the keyboard reaches everything.
#include "winui/findings_panel.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "frontend/failure_filter.h"
#include "frontend/failure_rows_save.h"
#include "frontend/message_text.h"
#include "frontend/panel_texts.h"
#include "frontend/report_export.h"
#include "frontend/save_dialogs.h"
#include "support/file_bytes.h"
#include "tables/dbf_table.h"
#include "winui/box_watcher.h"
#include "winui/record_window.h"
#include "winui/window_fixture.h"

namespace {

using testing_support::BoxWatcher;
using testing_support::HasText;
using testing_support::SeenBox;
using winui::Widen;

using testing_support::ReadBytes;

std::vector<std::wstring> Entries(HWND box) {
  std::vector<std::wstring> entries;
  const auto count = static_cast<WPARAM>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  for (WPARAM i = 0; i < count; ++i) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(box, CB_GETLBTEXTLEN, i, 0)), L'\0');
    SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    entries.push_back(text);
  }
  return entries;
}

std::wstring ItemText(HWND list, int row, int column) {
  wchar_t buffer[1024] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

class WinuiPanelTest : public testing_support::Win32WindowTest {
 protected:
  void SetUp() override {
    SetText("edArqRisco", riscos_);
    SetText("edArqSinistro", sinistros_);
    BoxWatcher watcher(GetCurrentThreadId(), [](HWND box, const SeenBox&) {
      SendMessageW(box, TDM_CLICK_VERIFICATION, TRUE, FALSE);
      SendMessageW(box, TDM_CLICK_BUTTON, IDOK, 0);
    });
    ASSERT_TRUE(RunAndWait());
    // The runner's list of the same run, read by the core.
    Runner(riscos_, sinistros_, (dir_.path() / "r.txt").string(),
           {"--detalhes", runner_list_.string()});
    index_ = std::make_unique<frontend::FailureFileIndex>(runner_list_.string());
  }

  // Ctrl+Shift+F in the main window, as the keyboard gives it.
  winui::FindingsPanel* PressCtrlShiftF() {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE pressed[256];
    std::copy(std::begin(keys), std::end(keys), std::begin(pressed));
    pressed[VK_CONTROL] = pressed[VK_SHIFT] = 0x80;
    SetKeyboardState(pressed);
    SetFocus(Control("edLog"));
    PostMessageW(Control("edLog"), WM_KEYDOWN, 'F', 0);
    Pump([this] { return window_->findings_panel() != nullptr; }, 5000);
    SetKeyboardState(keys);
    winui::FindingsPanel* panel = window_->findings_panel();
    if (panel != nullptr) Pump([panel] { return !panel->IsBusy(); });
    return panel;
  }

  // Chooses entry `value` of a filter box as the user would, and waits for the rows.
  void Choose(winui::FindingsPanel* panel, const char* box_name, const std::string& shown) {
    HWND box = panel->Control(box_name);
    const std::vector<std::wstring> entries = Entries(box);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].rfind(Widen(shown + " ("), 0) == 0) {
        SendMessageW(box, CB_SETCURSEL, i, 0);
        SendMessageW(panel->hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
      }
    }
    Pump([panel] { return !panel->IsBusy(); });
  }

  // The filter boxes as the core fills them for `filter`.
  std::vector<std::wstring> CoreEntries(const frontend::FailureFilter& filter,
                                        frontend::FilterColumn column) {
    const std::vector<frontend::FilterChoice> choices =
        frontend::Choices(index_->keys(), filter, column);
    std::size_t all = 0;
    for (const frontend::FilterChoice& choice : choices) all += choice.rows;
    std::vector<std::wstring> entries = {Widen(frontend::ChoiceText({}, all))};
    for (const frontend::FilterChoice& choice : choices) {
      entries.push_back(Widen(frontend::ChoiceText(choice.value, choice.rows)));
    }
    return entries;
  }

  const std::string riscos_ = testing_support::BuildFile("amostras/riscos.dbf");
  const std::string sinistros_ = testing_support::BuildFile("amostras/sinistros.dbf");
  const std::filesystem::path runner_list_ = dir_.path() / "detalhes.csv";
  std::unique_ptr<frontend::FailureFileIndex> index_;
};

TEST_F(WinuiPanelTest, RowsFiltersAndSavesAreTheCoresOnTheRunnersList) {
  winui::FindingsPanel* panel = PressCtrlShiftF();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(IsWindowVisible(panel->hwnd()));
  ASSERT_TRUE(panel->IsLoaded());
  HWND list = panel->Control("lvFalhas");
  EXPECT_EQ(static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)),
            index_->RowCount());
  EXPECT_GT(index_->RowCount(), 10u);

  frontend::FailureFilter filter;
  const auto boxes_equal_core = [&] {
    EXPECT_EQ(Entries(panel->Control("cbArquivo")),
              CoreEntries(filter, frontend::FilterColumn::kArquivo));
    EXPECT_EQ(Entries(panel->Control("cbCampo")),
              CoreEntries(filter, frontend::FilterColumn::kCampo));
    EXPECT_EQ(Entries(panel->Control("cbVerificacao")),
              CoreEntries(filter, frontend::FilterColumn::kVerificacao));
  };
  boxes_equal_core();
  Choose(panel, "cbVerificacao", "dominio");
  filter.verificacao = "dominio";
  boxes_equal_core();
  const std::vector<std::uint32_t> expected = frontend::MatchRows(index_->keys(), filter)->rows;
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(panel->ShownRows(), expected);
  EXPECT_EQ(static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)), expected.size());
  EXPECT_EQ(testing_support::TextOf(panel->Control("lbContagem")),
            Widen(frontend::ShownCountText(expected.size(), index_->RowCount())));

  // "Salvar falhas mostradas": the bytes the Qt panel's save gives for the same rows.
  const std::filesystem::path saved = dir_.path() / "mostradas.csv";
  {
    BoxWatcher watcher(GetCurrentThreadId(), [&](HWND box, const SeenBox&) {
      testing_support::AnswerSaveDialog(box, saved);
    });
    SendMessageW(panel->Control("btnSalvar"), BM_CLICK, 0, 0);
    // The dialog, the progress while it goes (if still going when asked), the confirmation.
    const std::vector<SeenBox> seen = watcher.seen();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(
        HasText(seen.back(), Widen(frontend::SavedListText(frontend::FullPathText(saved)))));
  }
  const std::filesystem::path core = dir_.path() / "core.csv";
  EXPECT_EQ(frontend::SaveRowsCsv(*index_, expected, core), "");
  EXPECT_GT(ReadBytes(saved).size(), 100u);
  EXPECT_EQ(ReadBytes(saved), ReadBytes(core));
}

TEST_F(WinuiPanelTest, ARowsRecordShowsTheInputsFieldsFromTheFirstFailingOne) {
  winui::FindingsPanel* panel = PressCtrlShiftF();
  ASSERT_NE(panel, nullptr);
  Choose(panel, "cbArquivo", "sinistros");
  ASSERT_FALSE(panel->ShownRows().empty());
  // Enter on the first row, with the list focused.
  HWND list = panel->Control("lvFalhas");
  SetFocus(list);
  LVITEMW state{};
  state.stateMask = state.state = LVIS_FOCUSED | LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
  Pump([panel] { return panel->record_window() != nullptr; }, 5000);
  ASSERT_NE(panel->record_window(), nullptr);
  HWND fields = panel->record_window()->fields();

  const std::uint32_t record = index_->keys().record(panel->ShownRows()[0]);
  tables::DbfTable table("tbDados", false);
  table.SetFileName(sinistros_);
  table.Open();
  table.GoTo(record);
  ASSERT_EQ(SendMessageW(fields, LVM_GETITEMCOUNT, 0, 0), table.FieldCount());
  int first_failing = -1;
  for (int i = 0; i < table.FieldCount(); ++i) {
    SCOPED_TRACE(table.Fields(i).name);
    EXPECT_EQ(ItemText(fields, i, 0), Widen(table.Fields(i).name));
    EXPECT_EQ(ItemText(fields, i, 3), Widen(frontend::DisplayLine(table.RawField(i))));
    if (first_failing < 0 && !ItemText(fields, i, 4).empty()) first_failing = i;
  }
  ASSERT_GE(first_failing, 0);
  EXPECT_EQ(SendMessageW(fields, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED),
            first_failing);

  // A wider window gives its width to the failures' column.
  HWND record_window = panel->record_window()->hwnd();
  RECT frame{};
  GetWindowRect(record_window, &frame);
  const auto failures_width = [fields] {
    return static_cast<long>(SendMessageW(fields, LVM_GETCOLUMNWIDTH, 4, 0));
  };
  const long before = failures_width();
  MoveWindow(record_window, frame.left, frame.top, frame.right - frame.left + 300,
             frame.bottom - frame.top, TRUE);
  EXPECT_EQ(failures_width(), before + 300);
}

TEST_F(WinuiPanelTest, TabGoesThroughEveryControlAndEscCloses) {
  winui::FindingsPanel* panel = PressCtrlShiftF();
  ASSERT_NE(panel, nullptr);
  const char* order[] = {"lbVeredito",    "grFalhas",  "cbArquivo", "cbCampo",
                         "cbVerificacao", "edApolice", "lvFalhas",  "btnSalvar"};
  SetFocus(panel->Control(order[0]));
  for (std::size_t i = 1; i <= std::size(order); ++i) {
    HWND from = GetFocus();
    PostMessageW(from, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(from, WM_KEYUP, VK_TAB, 0xC0000001);
    Pump([from] { return GetFocus() != from; }, 2000);
    EXPECT_EQ(GetFocus(), panel->Control(order[i % std::size(order)]))
        << order[i % std::size(order)];
  }
  // Alt with a caption's letter goes to its box, as the keyboard gives it.
  const std::pair<char, const char*> letters[] = {
      {'M', "cbCampo"}, {'P', "edApolice"}, {'V', "cbVerificacao"}, {'A', "cbArquivo"}};
  for (const auto& [letter, box] : letters) {
    HWND from = GetFocus();
    PostMessageW(from, WM_SYSKEYDOWN, static_cast<WPARAM>(letter), LPARAM{1} << 29 | 1);
    PostMessageW(from, WM_SYSKEYUP, static_cast<WPARAM>(letter), LPARAM{1} << 29 | 0xC0000001);
    Pump([panel, box] { return GetFocus() == panel->Control(box); }, 2000);
    EXPECT_EQ(GetFocus(), panel->Control(box)) << letter;
  }
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
  Pump([panel] { return !IsWindowVisible(panel->hwnd()); }, 2000);
  EXPECT_FALSE(IsWindowVisible(panel->hwnd()));
}

TEST_F(WinuiPanelTest, AltNShowsOnlyTheRowsMarkedNew) {
  winui::FindingsPanel* panel = PressCtrlShiftF();
  ASSERT_NE(panel, nullptr);
  HWND only_new = panel->Control("ckNovas");
  EXPECT_FALSE(IsWindowEnabled(only_new));  // a run beside no earlier one marks nothing
  const std::filesystem::path marked = dir_.path() / "marcada.csv";
  std::ofstream(marked, std::ios::binary)
      << "arquivo;registro;campo;verificacao;apolice;mensagem;nova\r\n"
         "sinistros;1;APOLICE;nulo;P1;x;S\r\n"
         "sinistros;2;APOLICE;nulo;P2;y;\r\n"
         "sinistros;3;EVENTO;dominio;P3;z;S\r\n";
  frontend::PanelRun run;
  run.list_path = marked.string();
  panel->Load(std::move(run));
  Pump([panel] { return panel->IsLoaded() && !panel->IsBusy(); });
  ASSERT_TRUE(IsWindowEnabled(only_new));
  // Alt+N, as the keyboard gives it, wherever the focus is in the panel.
  HWND from = panel->Control("edApolice");
  SetFocus(from);
  PostMessageW(from, WM_SYSKEYDOWN, 'N', LPARAM{1} << 29 | 1);
  PostMessageW(from, WM_SYSKEYUP, 'N', LPARAM{1} << 29 | 0xC0000001);
  Pump([only_new] { return SendMessageW(only_new, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 2000);
  Pump([panel] { return !panel->IsBusy(); });
  EXPECT_EQ(SendMessageW(only_new, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(panel->ShownRows(), (std::vector<std::uint32_t>{0, 2}));
  EXPECT_EQ(Entries(panel->Control("cbCampo")).at(0), L"(todos) (2)");
}

TEST_F(WinuiPanelTest, DraggingTheBarUnderTheBannerGivesItTheListsHeight) {
  winui::FindingsPanel* panel = PressCtrlShiftF();
  ASSERT_NE(panel, nullptr);
  const auto height = [panel](const char* name) {
    RECT r{};
    GetWindowRect(panel->Control(name), &r);
    return r.bottom - r.top;
  };
  const auto client_top = [panel](const char* name) {
    RECT r{};
    GetWindowRect(panel->Control(name), &r);
    POINT at{r.left, r.top};
    ScreenToClient(panel->hwnd(), &at);
    return at;
  };
  const long banner = height("lbVeredito");
  const long list = height("lvFalhas");
  const long chart = height("grFalhas");
  // The gap above the chart is the bar: pressed there, moved 40 pixels down, let go.
  const POINT chart_at = client_top("grFalhas");
  const int y = chart_at.y - 2;
  PostMessageW(panel->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(chart_at.x + 20, y));
  PostMessageW(panel->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(chart_at.x + 20, y + 40));
  PostMessageW(panel->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(chart_at.x + 20, y + 40));
  Pump([&] { return height("lbVeredito") != banner; }, 2000);
  EXPECT_EQ(height("lbVeredito"), banner + 40);
  EXPECT_EQ(height("grFalhas"), chart);
  EXPECT_EQ(height("lvFalhas"), list - 40);
}

}  // namespace
