#pragma once
// A window class whose windows each belong to one C++ object (Owner): the object passed as
// CreateWindowExW's last argument is kept in the window's user data, learns its window in its
// hwnd_ at WM_NCCREATE and receives every later message through its Handle(message, wparam,
// lparam). At WM_NCDESTROY both let go: hwnd_ becomes null and the window forgets the object; an
// object that goes before its window destroys it or clears its user data. Messages before
// WM_NCCREATE and after WM_NCDESTROY go to DefWindowProcW.
//
// Owner declares `friend struct WindowClass<Owner>;` for hwnd_ and Handle.

#include <windows.h>

#include <stdexcept>

namespace winui {

template <class Owner>
struct WindowClass {
  // Registers class `name` for this process unless it is registered already: Proc, an arrow
  // cursor, `background` (a COLOR_ system colour), then whatever `more` adds (icons). Throws
  // std::runtime_error(failure) when Windows refuses.
  static void Register(const wchar_t* name, int background, const char* failure,
                       void (*more)(WNDCLASSEXW&) = nullptr) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    if (GetClassInfoExW(instance, name, &window_class)) return;
    window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &Proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    window_class.lpszClassName = name;
    if (more != nullptr) more(window_class);
    if (!RegisterClassExW(&window_class)) throw std::runtime_error(failure);
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    return self->Handle(message, wparam, lparam);
  }
};

}  // namespace winui
