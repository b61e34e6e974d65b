#include "winui/failure_list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "frontend/control_table.h"
#include "frontend/failure_list_error.h"
#include "frontend/message_text.h"
#include "frontend/panel_texts.h"
#include "winui/wide_text.h"

namespace winui {
namespace {

int TextWidth(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

}  // namespace

FailureListView::FailureListView(HWND parent, int id, HFONT font, int dpi)
    : font_(font), dpi_(dpi) {
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                              LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) throw std::runtime_error("Cannot create the failure list");
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  // The titles in the same font (Wine's list view keeps its header's own otherwise).
  SendMessageW(reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0)), WM_SETFONT,
               reinterpret_cast<WPARAM>(font_), FALSE);
  const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP |
                         LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP;
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
}

void FailureListView::SetList(const frontend::FailureFileIndex* index, frontend::KeyWidths widths) {
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, 0, 0);
  index_ = index;
  widths_ = widths;
  cache_.reset();
  columns_.clear();
  rows_.clear();
  if (index_ != nullptr) {
    cache_ = std::make_unique<frontend::FailureRowCache>(*index_);
    columns_ = frontend::PanelColumns(index_->Header());
    rows_.resize(index_->RowCount());
    std::iota(rows_.begin(), rows_.end(), 0u);
  }
  shown_.clear();
  while (SendMessageW(hwnd_, LVM_DELETECOLUMN, 0, 0) != FALSE) {
  }
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOSCROLL);
  FitColumns();
}

void FailureListView::SetRows(std::vector<std::uint32_t> rows) {
  rows_ = std::move(rows);
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, rows_.size(), 0);
  SendMessageW(hwnd_, LVM_ENSUREVISIBLE, 0, FALSE);
  FitColumns();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

int FailureListView::FocusedRow() const {
  return static_cast<int>(
      SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

std::wstring FailureListView::CellText(std::size_t view_row, std::size_t column) {
  if (cache_ == nullptr || view_row >= rows_.size() || column >= shown_.size()) return {};
  try {
    const std::vector<std::string>& fields = cache_->Row(rows_[view_row]);
    const auto from = static_cast<std::size_t>(shown_[column].list_column);
    return from < fields.size() ? Widen(frontend::DisplayLine(fields[from])) : std::wstring();
  } catch (const frontend::FailureListError&) {
    return {};  // the list went away under the view: an empty cell, not a crash
  }
}

void FailureListView::FitColumns() {
  if (index_ == nullptr) return;
  const bool structure = frontend::ListsStructureRows(index_->keys(), rows_);
  std::vector<frontend::PanelColumn> wanted;
  for (const frontend::PanelColumn& column : columns_) {
    if (column.role != frontend::ColumnRole::kStructure || structure) wanted.push_back(column);
  }
  if (wanted.size() != shown_.size()) {
    while (SendMessageW(hwnd_, LVM_DELETECOLUMN, 0, 0) != FALSE) {
    }
    shown_ = wanted;
    for (std::size_t c = 0; c < shown_.size(); ++c) {
      std::wstring title = Widen(shown_[c].title);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = title.data();
      column.cx = frontend::Scale(80, dpi_);
      column.iSubItem = static_cast<int>(c);
      SendMessageW(hwnd_, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
  }
  // Widths from the rows on screen only, never from every row of the list.
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, font_);
  const int padding = frontend::Scale(16, dpi_);
  const int digit = TextWidth(dc, L"0");
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int most = std::max(frontend::Scale(200, dpi_), static_cast<int>(client.right) * 3 / 5);
  const auto top = static_cast<std::size_t>(SendMessageW(hwnd_, LVM_GETTOPINDEX, 0, 0));
  const auto page = static_cast<std::size_t>(SendMessageW(hwnd_, LVM_GETCOUNTPERPAGE, 0, 0));
  const std::size_t end = std::min(rows_.size(), top + std::max<std::size_t>(page, 1) + 1);
  // Titles in the header's own font, with room for its margins.
  auto header_font = reinterpret_cast<HFONT>(SendMessageW(
      reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0)), WM_GETFONT, 0, 0));
  std::vector<int> titles;
  SelectObject(dc, header_font != nullptr ? header_font : font_);
  for (const frontend::PanelColumn& column : shown_) {
    titles.push_back(TextWidth(dc, Widen(column.title)) + frontend::Scale(20, dpi_));
  }
  SelectObject(dc, font_);
  for (std::size_t c = 0; c < shown_.size(); ++c) {
    int width = titles[c];
    if (shown_[c].role == frontend::ColumnRole::kKey) {
      // As wide as the input declares the field, whatever the rows on screen hold.
      width = std::max(width, digit * static_cast<int>(widths_.Of(shown_[c].key_field)));
    } else {
      // File, field and check: every value the list holds, so scrolling never cuts one.
      for (const std::string& value :
           frontend::EveryValueOf(index_->keys(), index_->Header(), shown_[c])) {
        width = std::max(width, TextWidth(dc, Widen(value)));
      }
      for (std::size_t r = top; r < end; ++r)
        width = std::max(width, TextWidth(dc, CellText(r, c)));
      width = std::min(width, most);
    }
    SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, c, width + padding);
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
}

bool FailureListView::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->hwndFrom != hwnd_) return false;
  if (header->code == LVN_GETDISPINFOW) {
    auto& info = *reinterpret_cast<NMLVDISPINFOW*>(header);
    if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr &&
        info.item.cchTextMax > 0) {
      text_ = CellText(static_cast<std::size_t>(info.item.iItem),
                       static_cast<std::size_t>(info.item.iSubItem));
      const std::size_t n =
          std::min(text_.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
      text_.copy(info.item.pszText, n);
      info.item.pszText[n] = L'\0';
    }
    *result = 0;
    return true;
  }
  if (header->code == LVN_GETINFOTIPW) {
    // The row's whole message, however narrow its column.
    auto& tip = *reinterpret_cast<NMLVGETINFOTIPW*>(header);
    std::size_t message = shown_.size();
    for (std::size_t c = 0; c < shown_.size(); ++c) {
      if (shown_[c].role == frontend::ColumnRole::kMessage) message = c;
    }
    text_ = CellText(static_cast<std::size_t>(tip.iItem), message);
    if (tip.pszText != nullptr && tip.cchTextMax > 0) {
      const std::size_t n = std::min(text_.size(), static_cast<std::size_t>(tip.cchTextMax - 1));
      text_.copy(tip.pszText, n);
      tip.pszText[n] = L'\0';
    }
    *result = 0;
    return true;
  }
  return false;
}

}  // namespace winui
