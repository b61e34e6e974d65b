#pragma once
// A control's tooltip in a tooltip window: added once (shown when the mouse rests on the
// control), and its text changed later.

#include <windows.h>

#include <string>

namespace winui {

// `owner`: the control's parent window, which owns `tooltips`. Nothing when `tooltips` is null.
void AddTooltip(HWND tooltips, HWND owner, HWND control, const std::wstring& text);
void UpdateTooltip(HWND tooltips, HWND owner, HWND control, const std::wstring& text);

}  // namespace winui
