#include "winui/dialog_keys.h"

#include <commctrl.h>

#include <cwctype>
#include <iterator>

namespace winui {
namespace {

LRESULT CALLBACK TabLeavesProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                               UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  if (message == WM_GETDLGCODE) {
    return DialogCodeWithoutTab(DefSubclassProc(hwnd, message, wparam, lparam), lparam);
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &TabLeavesProc, 1);
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace

LRESULT DialogCodeWithoutTab(LRESULT code, LPARAM lparam) {
  const auto* key = reinterpret_cast<const MSG*>(lparam);
  if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_TAB) {
    return code & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
  }
  return code & ~static_cast<LRESULT>(DLGC_WANTTAB);
}

void LetTabLeave(HWND edit) { SetWindowSubclass(edit, &TabLeavesProc, 1, 0); }

bool IsStrayCharacter(const MSG& msg) {
  if (msg.message != WM_CHAR || msg.wParam <= L' ') return false;
  MSG copy = msg;
  const LRESULT code =
      SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&copy));
  return (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_HASSETSEL)) == 0;
}

HWND BoxOfCaptionLetter(const MSG& msg, const CaptionOf* captions, std::size_t count) {
  if (msg.message != WM_SYSCHAR) return nullptr;
  const std::wint_t letter = std::towupper(static_cast<std::wint_t>(msg.wParam));
  for (std::size_t i = 0; i < count; ++i) {
    wchar_t text[64] = {};
    GetWindowTextW(captions[i].caption, text, static_cast<int>(std::size(text)));
    for (const wchar_t* p = text; *p != L'\0' && p[1] != L'\0'; ++p) {
      if (*p != L'&') continue;
      if (p[1] == L'&') {  // "&&" is an ampersand
        ++p;
        continue;
      }
      if (std::towupper(static_cast<std::wint_t>(p[1])) == letter &&
          IsWindowEnabled(captions[i].box))
        return captions[i].box;
      break;
    }
  }
  return nullptr;
}

}  // namespace winui
