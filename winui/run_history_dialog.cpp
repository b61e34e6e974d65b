#include "winui/run_history_dialog.h"

#include <commctrl.h>

#include <string>

#include "winui/wide_text.h"

namespace winui {
namespace {

constexpr int kList = 100;
constexpr int kDelete = 101;
constexpr short kWidth = 360;  // dialog units
constexpr short kHeight = 200;

struct Context {
  const frontend::RunHistoryTable* table;
  HFONT font;
};

// An empty dialog template, the controls made in WM_INITDIALOG. DWORD-aligned as the system asks.
struct Template {
  DLGTEMPLATE dialog;
  WORD menu = 0;
  WORD window_class = 0;
  WORD title = 0;
};

HWND Child(HWND dialog, const wchar_t* window_class, const std::wstring& text, DWORD style, int id,
           HFONT font) {
  HWND child = CreateWindowExW(0, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0,
                               0, 0, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return child;
}

void Arrange(HWND dialog) {
  RECT client;
  GetClientRect(dialog, &client);
  RECT unit = {0, 0, 4, 14};  // margin and button height in dialog units
  MapDialogRect(dialog, &unit);
  const int margin = unit.right;
  const int button_height = unit.bottom;
  const int button_width = button_height * 9;
  const int bottom = client.bottom - margin - button_height;
  MoveWindow(GetDlgItem(dialog, kList), margin, margin, client.right - 2 * margin,
             bottom - 2 * margin, TRUE);
  MoveWindow(GetDlgItem(dialog, kDelete), margin, bottom, button_width, button_height, TRUE);
  MoveWindow(GetDlgItem(dialog, IDCANCEL), client.right - margin - button_width / 2, bottom,
             button_width / 2, button_height, TRUE);
}

void Fill(HWND list, const frontend::RunHistoryTable& table) {
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (std::size_t c = 0; c < frontend::RunHistoryTable::kColumns; ++c) {
    std::wstring header = Widen(frontend::RunHistoryTable::kHeaders[c]);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_FMT;
    column.fmt = c >= 3 ? LVCFMT_RIGHT : LVCFMT_LEFT;  // counts on the right, as in the report
    column.pszText = header.data();
    ListView_InsertColumn(list, static_cast<int>(c), &column);
  }
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    for (std::size_t c = 0; c < frontend::RunHistoryTable::kColumns; ++c) {
      std::wstring text = Widen(table.rows[r][c]);
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      if (c == 0) {
        ListView_InsertItem(list, &item);
      } else {
        ListView_SetItem(list, &item);
      }
    }
  }
  for (std::size_t c = 0; c < frontend::RunHistoryTable::kColumns; ++c) {
    ListView_SetColumnWidth(list, static_cast<int>(c), LVSCW_AUTOSIZE_USEHEADER);
  }
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* context = reinterpret_cast<const Context*>(lparam);
      SetWindowTextW(dialog, Widen(context->table->title).c_str());
      HWND list = Child(dialog, WC_LISTVIEWW, L"",
                        WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                        kList, context->font);
      Fill(list, *context->table);
      HWND erase = Child(dialog, L"BUTTON", Widen(frontend::kDeleteHistory),
                         WS_TABSTOP | BS_PUSHBUTTON, kDelete, context->font);
      EnableWindow(erase, context->table->rows.empty() ? FALSE : TRUE);
      Child(dialog, L"BUTTON", L"Fechar", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL, context->font);
      Arrange(dialog);
      return TRUE;
    }
    case WM_SIZE:
      Arrange(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == kDelete) EndDialog(dialog, 1);
      if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool ShowRunHistoryDialog(HWND owner, const frontend::RunHistoryTable& table, HFONT font) {
  Template dialog = {};
  dialog.dialog.style =
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_CENTER;
  dialog.dialog.cx = kWidth;
  dialog.dialog.cy = kHeight;
  Context context{&table, font};
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.dialog, owner, Procedure,
                                 reinterpret_cast<LPARAM>(&context)) == 1;
}

}  // namespace winui
