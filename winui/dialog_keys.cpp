#include "winui/dialog_keys.h"

#include <commctrl.h>

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

}  // namespace winui
