#pragma once
// The text of a window or an edit control: read it whole; append at the end of an edit control
// and replace one of its lines, leaving the caret at the end (where the log shows a run's lines).

#include <windows.h>

#include <cstddef>
#include <string>

namespace winui {

std::wstring WindowText(HWND hwnd);
// One insertion, scrolled into view.
void AppendText(HWND edit, const std::wstring& text);
// Line `index` (from 0) becomes `text`; nothing when the control has no such line.
void ReplaceLine(HWND edit, std::size_t index, const std::wstring& text);

}  // namespace winui
