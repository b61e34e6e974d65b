#pragma once
// Panes stacked in a window, each above a bar the user drags to give it height or take some: the
// findings panel's banner and chart over its list. The window draws no bar: the gap between two
// panes is the bar, with the up-and-down cursor over it.

#include <windows.h>

#include <cstddef>
#include <vector>

namespace winui {

class PaneSplitter {
 public:
  // `heights`: the panes' first heights, in pixels; each pane has its bar below it. A pane keeps at
  // least `least` pixels.
  PaneSplitter(std::vector<int> heights, int least);

  // As shown: the height the pane was given, or less while the window is too small for it.
  int height(std::size_t pane) const { return shown_[pane]; }
  // The layout tells where bar `bar` lies (client rows top to bottom, exclusive).
  void PlaceBar(std::size_t bar, int top, int bottom);
  // The most the panes may take in all (what the window leaves once the rest has its room);
  // lower panes give way first, and take their heights back as the window grows again.
  void Limit(int room);

  // The window's mouse messages: true when one was the splitter's, with `moved` set when the
  // heights changed (the window arranges its controls again).
  bool Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool* moved);

 private:
  int BarAt(int y) const;

  struct Bar {
    int top = 0;
    int bottom = 0;
  };
  std::vector<int> heights_;  // as given
  std::vector<int> shown_;
  std::vector<Bar> bars_;
  int least_;
  int room_ = 0;  // 0: not limited yet
  int dragging_ = -1;
  int drag_y_ = 0;
  int drag_height_ = 0;
};

}  // namespace winui
