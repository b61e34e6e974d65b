#include "winui/failure_chart_view.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "frontend/control_table.h"
#include "frontend/failure_chart_data.h"
#include "frontend/message_text.h"
#include "frontend/panel_texts.h"
#include "winui/wide_text.h"
#include "winui/window_class.h"

namespace winui {
namespace {

constexpr wchar_t kClassName[] = L"TalmeroGraficoFalhas";
constexpr COLORREF kNuloColour = RGB(0xD9, 0x8C, 0x1F);  // amber
constexpr COLORREF kDomColour = RGB(0xB0, 0x3A, 0x2E);   // red

std::wstring Trimmed(const std::string& bytes) {
  std::wstring text = Widen(frontend::DisplayLine(bytes));
  while (!text.empty() && text.back() == L' ') text.pop_back();
  while (!text.empty() && text.front() == L' ') text.erase(text.begin());
  return text;
}

void Fill(HDC dc, int left, int top, int width, int height, COLORREF colour) {
  if (width <= 0 || height <= 0) return;
  const RECT r{left, top, left + width, top + height};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void Draw(HDC dc, const std::wstring& text, RECT r, UINT format) {
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

FailureChartView::FailureChartView(HWND parent, int id, HFONT font, int dpi)
    : font_(font), dpi_(dpi) {
  WindowClass<FailureChartView>::Register(kClassName, COLOR_WINDOW, "Cannot register the chart");
  HINSTANCE instance = GetModuleHandleW(nullptr);
  LOGFONTW bold{};
  GetObjectW(font_, sizeof bold, &bold);
  bold.lfWeight = FW_BOLD;
  bold_ = CreateFontIndirectW(&bold);
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
  if (hwnd_ == nullptr) throw std::runtime_error("Cannot create the chart");
}

FailureChartView::~FailureChartView() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  if (bold_ != nullptr) DeleteObject(bold_);
}

int FailureChartView::RowHeight() const { return frontend::Scale(18, dpi_); }

int FailureChartView::ContentHeight() const {
  int rows = 1;  // the legend
  for (const frontend::ChartTable& table : tables_) {
    rows += 1 + static_cast<int>(std::max<std::size_t>(table.bars.size(), 1));
  }
  return rows * RowHeight() + frontend::Scale(8, dpi_);
}

RECT FailureChartView::BarRect(std::size_t table, std::size_t bar) const {
  if (table >= tables_.size() || bar >= tables_[table].bars.size()) return {};
  const int row = RowHeight();
  int y = frontend::Scale(4, dpi_) + row;  // below the legend
  for (std::size_t t = 0; t < table; ++t) {
    y += row * (1 + static_cast<int>(std::max<std::size_t>(tables_[t].bars.size(), 1)));
  }
  y += row * (1 + static_cast<int>(bar));
  RECT client{};
  GetClientRect(hwnd_, &client);
  return {0, y, client.right, y + row};
}

void FailureChartView::SetTables(std::vector<frontend::ChartTable> tables) {
  tables_ = std::move(tables);
  ScrollTo(0);
  UpdateScrollBar();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

int FailureChartView::ScrollPosition() const {
  SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
  GetScrollInfo(hwnd_, SB_VERT, &info);
  return info.nPos;
}

void FailureChartView::ScrollTo(int position) {
  SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, position, 0};
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void FailureChartView::UpdateScrollBar() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  SCROLLINFO info{sizeof info,
                  SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL,
                  0,
                  ContentHeight() - 1,
                  static_cast<UINT>(std::max<LONG>(client.bottom, 1)),
                  0,
                  0};
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
}

LRESULT FailureChartView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      UpdateScrollBar();
      return 0;
    case WM_VSCROLL: {
      SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
      GetScrollInfo(hwnd_, SB_VERT, &info);
      int position = info.nPos;
      const int page = static_cast<int>(info.nPage);
      switch (LOWORD(wparam)) {
        case SB_LINEUP:
          position -= RowHeight();
          break;
        case SB_LINEDOWN:
          position += RowHeight();
          break;
        case SB_PAGEUP:
          position -= page;
          break;
        case SB_PAGEDOWN:
          position += page;
          break;
        case SB_TOP:
          position = 0;
          break;
        case SB_BOTTOM:
          position = info.nMax;
          break;
        case SB_THUMBTRACK:
          position = info.nTrackPos;
          break;
        default:
          break;
      }
      ScrollTo(std::clamp(position, 0, std::max(0, info.nMax - page + 1)));
      return 0;
    }
    case WM_MOUSEWHEEL: {
      const int notches = GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA;
      for (int i = 0; i < std::abs(notches) * 3; ++i) {
        SendMessageW(hwnd_, WM_VSCROLL, notches > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
      }
      return 0;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN: {
      const WPARAM code = wparam == VK_UP      ? SB_LINEUP
                          : wparam == VK_DOWN  ? SB_LINEDOWN
                          : wparam == VK_PRIOR ? SB_PAGEUP
                          : wparam == VK_NEXT  ? SB_PAGEDOWN
                          : wparam == VK_HOME  ? SB_TOP
                          : wparam == VK_END   ? SB_BOTTOM
                                               : SB_ENDSCROLL;
      if (code != SB_ENDSCROLL) SendMessageW(hwnd_, WM_VSCROLL, code, 0);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(hwnd_);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd_, &paint);
      RECT client{};
      GetClientRect(hwnd_, &client);
      Paint(dc, client);
      if (GetFocus() == hwnd_) DrawFocusRect(dc, &client);
      EndPaint(hwnd_, &paint);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void FailureChartView::Paint(HDC dc, const RECT& client) {
  const int row = RowHeight();
  const int pad = frontend::Scale(8, dpi_);
  HGDIOBJ old_font = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SIZE label{};
  GetTextExtentPoint32W(dc, L"MMMMMMMMMMMM", 12, &label);
  SIZE value{};
  GetTextExtentPoint32W(dc, L"100,00 % / 100,00 %", 19, &value);
  const int bar_left = pad + label.cx + frontend::Scale(6, dpi_);
  const int bar_width =
      std::max<int>(frontend::Scale(20, dpi_), client.right - bar_left - value.cx - 2 * pad);
  int y = frontend::Scale(4, dpi_) - ScrollPosition();
  const int mark = row / 2;

  // Legend.
  Fill(dc, pad, y + row / 4, mark, mark, kNuloColour);
  Draw(dc, L"ErroNulo %", {pad + row, y, pad + row + frontend::Scale(150, dpi_), y + row}, DT_LEFT);
  const int second = pad + row + frontend::Scale(150, dpi_);
  Fill(dc, second, y + row / 4, mark, mark, kDomColour);
  Draw(dc, L"ErroDom %", {second + row, y, second + row + frontend::Scale(150, dpi_), y + row},
       DT_LEFT);
  y += row;

  for (const frontend::ChartTable& table : tables_) {
    SelectObject(dc, bold_);
    const std::wstring title = Widen(frontend::ChartTitle(table));
    Draw(dc, title, {pad, y, client.right - pad, y + row}, DT_LEFT);
    SelectObject(dc, font_);
    y += row;
    if (table.bars.empty()) {
      Draw(dc, L"nenhum campo com falhas", {bar_left, y, client.right, y + row}, DT_LEFT);
      y += row;
      continue;
    }
    // Bars scaled to the table's largest share, so that a few percent still show.
    double largest = 0;
    for (const frontend::ChartBar& bar : table.bars) {
      largest = std::max({largest, bar.nulo_percent, bar.dom_percent});
    }
    const auto length = [&](double share, std::int64_t count) {
      const int scaled = largest > 0 ? static_cast<int>(share / largest * bar_width + 0.5) : 0;
      return std::max(scaled, count > 0 ? 1 : 0);
    };
    const int half = (row - 4) / 2;
    for (const frontend::ChartBar& bar : table.bars) {
      if (y + row >= 0 && y <= client.bottom) {
        Draw(dc, Trimmed(bar.campo), {pad, y, pad + label.cx, y + row}, DT_RIGHT);
        Fill(dc, bar_left, y + 2, length(bar.nulo_percent, bar.erro_nulo), half, kNuloColour);
        Fill(dc, bar_left, y + 2 + half, length(bar.dom_percent, bar.erro_dom), half, kDomColour);
        const std::wstring shares = Widen(frontend::PercentText(bar.nulo_percent)) + L" / " +
                                    Widen(frontend::PercentText(bar.dom_percent));
        Draw(dc, shares, {bar_left + bar_width + pad, y, client.right, y + row}, DT_LEFT);
      }
      y += row;
    }
  }
  SelectObject(dc, old_font);
}

}  // namespace winui
