#include "winui/tooltips.h"
// after windows.h
#include <commctrl.h>

namespace winui {
namespace {

void Send(HWND tooltips, UINT message, UINT flags, HWND owner, HWND control, std::wstring text) {
  if (tooltips == nullptr) return;
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.uFlags = flags;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text.data();
  SendMessageW(tooltips, message, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

void AddTooltip(HWND tooltips, HWND owner, HWND control, const std::wstring& text) {
  Send(tooltips, TTM_ADDTOOLW, TTF_IDISHWND | TTF_SUBCLASS, owner, control, text);
}

void UpdateTooltip(HWND tooltips, HWND owner, HWND control, const std::wstring& text) {
  Send(tooltips, TTM_UPDATETIPTEXTW, 0, owner, control, text);
}

}  // namespace winui
