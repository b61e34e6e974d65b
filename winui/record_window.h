#pragma once
// The record behind a row of the failure list, on Windows: every field with its name, type, width
// and stored text, the fields that failed highlighted with each failure's sentence and what the
// rule requires, the first of them selected and in sight. A record that cannot be shown (the
// file changed since the run, or the row names no record) shows why instead. Esc or Fechar
// closes it.

#include <windows.h>

#include <string>
#include <vector>

#include "frontend/record_view.h"
#include "winui/window_class.h"

namespace winui {

class RecordWindow {
 public:
  // Creates and shows the window, owned by `owner`; `font` stays the caller's. `file`: the
  // input's path as the run used it, for the title line.
  RecordWindow(HWND owner, const frontend::RecordView& view, const std::wstring& file, HFONT font,
               int dpi);
  ~RecordWindow();
  RecordWindow(const RecordWindow&) = delete;
  RecordWindow& operator=(const RecordWindow&) = delete;

  // Null once the user closed it.
  HWND hwnd() const { return hwnd_; }
  HWND fields() const { return lvCampos; }
  // For the message loop: Tab, Enter and Esc inside the window.
  bool FilterMessage(MSG& msg);

 private:
  friend struct WindowClass<RecordWindow>;
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void Arrange();
  void FitLastColumn();

  HWND hwnd_ = nullptr;
  HWND lbRegistro = nullptr;
  HWND lvCampos = nullptr;
  HWND btnFechar = nullptr;
  int dpi_ = 96;
  std::vector<bool> failed_;            // per row of lvCampos
  std::vector<std::wstring> failures_;  // per row of lvCampos: its sentences
};

}  // namespace winui
