#include "winui/edit_text.h"

#include <algorithm>

namespace winui {

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  const int n = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(n, 0)));
  return text;
}

void AppendText(HWND edit, const std::wstring& text) {
  const int end = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void ReplaceLine(HWND edit, std::size_t index, const std::wstring& text) {
  const LRESULT start = SendMessageW(edit, EM_LINEINDEX, index, 0);
  if (start < 0) return;
  const LRESULT length = SendMessageW(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(start), start + length);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  const int end = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
}

}  // namespace winui
