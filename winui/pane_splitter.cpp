#include "winui/pane_splitter.h"

#include <windowsx.h>

#include <algorithm>
#include <numeric>
#include <utility>

namespace winui {

PaneSplitter::PaneSplitter(std::vector<int> heights, int least)
    : heights_(std::move(heights)), shown_(heights_), bars_(heights_.size()), least_(least) {}

void PaneSplitter::PlaceBar(std::size_t bar, int top, int bottom) {
  if (bar < bars_.size()) bars_[bar] = {top, bottom};
}

void PaneSplitter::Limit(int room) {
  room_ = std::max(room, least_ * static_cast<int>(heights_.size()));
  shown_ = heights_;
  int excess = std::accumulate(shown_.begin(), shown_.end(), 0) - room_;
  for (auto pane = shown_.rbegin(); pane != shown_.rend() && excess > 0; ++pane) {
    const int given = std::min(excess, *pane - least_);
    *pane -= given;
    excess -= given;
  }
}

int PaneSplitter::BarAt(int y) const {
  for (std::size_t bar = 0; bar < bars_.size(); ++bar) {
    if (y >= bars_[bar].top && y < bars_[bar].bottom) return static_cast<int>(bar);
  }
  return -1;
}

bool PaneSplitter::Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool* moved) {
  *moved = false;
  switch (message) {
    case WM_SETCURSOR: {
      if (reinterpret_cast<HWND>(wparam) != hwnd || LOWORD(lparam) != HTCLIENT) return false;
      POINT at{};
      GetCursorPos(&at);
      ScreenToClient(hwnd, &at);
      if (dragging_ < 0 && BarAt(at.y) < 0) return false;
      SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
      return true;
    }
    case WM_LBUTTONDOWN: {
      const int bar = BarAt(GET_Y_LPARAM(lparam));
      if (bar < 0) return false;
      dragging_ = bar;
      drag_y_ = GET_Y_LPARAM(lparam);
      drag_height_ = shown_[static_cast<std::size_t>(bar)];
      SetCapture(hwnd);
      return true;
    }
    case WM_MOUSEMOVE: {
      if (dragging_ < 0) return false;
      const auto pane = static_cast<std::size_t>(dragging_);
      // The others keep their heights: this pane grows as far as the room allows.
      int others = 0;
      for (std::size_t p = 0; p < shown_.size(); ++p) others += p == pane ? 0 : shown_[p];
      const int most = room_ > 0 ? std::max(least_, room_ - others) : drag_height_ * 4;
      const int wanted = std::clamp(drag_height_ + GET_Y_LPARAM(lparam) - drag_y_, least_, most);
      *moved = wanted != shown_[pane];
      // What the user sees is what the panes keep, until the window next grows or shrinks.
      heights_ = shown_;
      heights_[pane] = shown_[pane] = wanted;
      return true;
    }
    case WM_LBUTTONUP:
      if (dragging_ < 0) return false;
      dragging_ = -1;
      ReleaseCapture();
      return true;
    case WM_CAPTURECHANGED:
      dragging_ = -1;
      return false;
    default:
      return false;
  }
}

}  // namespace winui
