#include "winui/record_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <stdexcept>
#include <vector>

#include "frontend/control_table.h"
#include "frontend/message_text.h"
#include "frontend/window_texts.h"
#include "winui/wide_text.h"
#include "winui/window_class.h"

namespace winui {
namespace {

constexpr wchar_t kClassName[] = L"TfrmRegistro";
constexpr int kListId = 4001;
constexpr COLORREF kFailedBackground = RGB(0xF8, 0xD7, 0xD3);

std::wstring Text(const std::string& bytes) { return Widen(frontend::DisplayLine(bytes)); }

}  // namespace

RecordWindow::RecordWindow(HWND owner, const frontend::RecordView& view, const std::wstring& file,
                           HFONT font, int dpi)
    : dpi_(dpi) {
  WindowClass<RecordWindow>::Register(kClassName, COLOR_BTNFACE, "Cannot register the record");
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const std::wstring title = L"Registro " + std::to_wstring(view.record);
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, title.c_str(),
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                          frontend::Scale(660, dpi_), frontend::Scale(500, dpi_), owner, nullptr,
                          instance, this);
  if (hwnd_ == nullptr) throw std::runtime_error("Cannot create the record");
  const auto child = [&](const wchar_t* window_class_name, const std::wstring& text, DWORD style,
                         int id) {
    HWND control = CreateWindowExW(
        0, window_class_name, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
  };
  std::wstring heading;
  if (view.status != frontend::RecordView::Status::kShown) {
    heading = Widen(frontend::DecodeMessage(view.message));
  } else {
    heading = L"Arquivo: " + file + L", registro " + std::to_wstring(view.record);
    if (view.deleted) heading += L" (registro excluído)";
  }
  lbRegistro = child(WC_STATICW, heading, SS_LEFT | SS_NOPREFIX, 4002);
  lvCampos = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0,
      0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance, nullptr);
  SendMessageW(lvCampos, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(lvCampos, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP | LVS_EX_INFOTIP);
  const wchar_t* titles[] = {L"Campo", L"Tipo", L"Tamanho", L"Conteúdo", L"Falhas"};
  for (int c = 0; c < 5; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(titles[c]);
    column.cx = frontend::Scale(80, dpi_);
    column.iSubItem = c;
    SendMessageW(lvCampos, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                 reinterpret_cast<LPARAM>(&column));
  }
  for (std::size_t r = 0; r < view.fields.size(); ++r) {
    const frontend::RecordField& field = view.fields[r];
    std::wstring width = std::to_wstring(field.width);
    if (field.decimals > 0) width += L"," + std::to_wstring(field.decimals);
    std::wstring failures;
    for (const std::string& message : field.messages) {
      failures += (failures.empty() ? L"" : L"; ") + Text(message);
    }
    std::wstring cells[] = {Text(field.name), std::wstring(1, static_cast<wchar_t>(field.letter)),
                            width, Text(field.text), failures};
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(r);
    item.pszText = cells[0].data();
    SendMessageW(lvCampos, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < 5; ++c) {
      item.iSubItem = c;
      item.pszText = cells[c].data();
      SendMessageW(lvCampos, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
    }
    failed_.push_back(!field.failed.empty());
    failures_.push_back(failures);
  }
  btnFechar = child(WC_BUTTONW, L"Fechar", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL);
  Arrange();
  // Each column as wide as its title and its texts; the sentences take the width left, a cut
  // one shows whole in the row's tooltip.
  HDC dc = GetDC(lvCampos);
  HGDIOBJ old_font = SelectObject(dc, font);
  for (int c = 0; c < 4; ++c) {
    SendMessageW(lvCampos, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), LVSCW_AUTOSIZE);
    SIZE caption{};
    GetTextExtentPoint32W(dc, titles[c], static_cast<int>(std::wcslen(titles[c])), &caption);
    const int widest = std::max(
        static_cast<int>(SendMessageW(lvCampos, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0)),
        static_cast<int>(caption.cx) + frontend::Scale(20, dpi_));
    SendMessageW(lvCampos, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), widest);
  }
  SelectObject(dc, old_font);
  ReleaseDC(lvCampos, dc);
  FitLastColumn();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  // The field the user came for, in sight and selected.
  if (const int first = frontend::FirstFailingField(view); first >= 0) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(lvCampos, LVM_SETITEMSTATE, static_cast<WPARAM>(first),
                 reinterpret_cast<LPARAM>(&state));
    SendMessageW(lvCampos, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first), FALSE);
  }
  SetFocus(lvCampos);
}

RecordWindow::~RecordWindow() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool RecordWindow::FilterMessage(MSG& msg) {
  if (hwnd_ == nullptr || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void RecordWindow::Arrange() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int pad = frontend::Scale(8, dpi_);
  const int button_width = frontend::Scale(88, dpi_);
  const int button_height = frontend::Scale(25, dpi_);
  const int label_height = frontend::Scale(32, dpi_);
  MoveWindow(lbRegistro, pad, pad, client.right - 2 * pad, label_height, TRUE);
  const int list_top = pad + label_height + pad / 2;
  const int list_bottom = client.bottom - 2 * pad - button_height;
  MoveWindow(lvCampos, pad, list_top, client.right - 2 * pad, std::max(0, list_bottom - list_top),
             TRUE);
  MoveWindow(btnFechar, client.right - pad - button_width, client.bottom - pad - button_height,
             button_width, button_height, TRUE);
  FitLastColumn();
}

void RecordWindow::FitLastColumn() {
  if (lvCampos == nullptr) return;  // sized before the list exists
  // The failures' sentences take whatever width the other columns leave, as the window grows
  // or shrinks.
  int used = 0;
  for (int c = 0; c < 4; ++c) {
    used += static_cast<int>(SendMessageW(lvCampos, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
  }
  RECT list{};
  GetClientRect(lvCampos, &list);
  SendMessageW(lvCampos, LVM_SETCOLUMNWIDTH, 4,
               std::max<LONG>(frontend::Scale(120, dpi_),
                              list.right - used - GetSystemMetrics(SM_CXVSCROLL)));
}

LRESULT RecordWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      Arrange();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDOK) DestroyWindow(hwnd_);
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->idFrom == kListId && header->code == LVN_GETINFOTIPW) {
        // The row's failures whole, however narrow their column.
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lparam);
        const auto row = static_cast<std::size_t>(tip->iItem);
        if (row < failures_.size() && tip->pszText != nullptr && tip->cchTextMax > 0) {
          const std::size_t n =
              std::min(failures_[row].size(), static_cast<std::size_t>(tip->cchTextMax - 1));
          failures_[row].copy(tip->pszText, n);
          tip->pszText[n] = L'\0';
        }
        return 0;
      }
      if (header->idFrom == kListId && header->code == NM_CUSTOMDRAW) {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lparam);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
          const auto row = static_cast<std::size_t>(draw->nmcd.dwItemSpec);
          if (row < failed_.size() && failed_[row]) {
            draw->clrTextBk = kFailedBackground;
            draw->clrText = RGB(0, 0, 0);
          }
          return CDRF_DODEFAULT;
        }
      }
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

}  // namespace winui
