#pragma once
// The window's controls: name, identifier, kind, designed rectangle at 96 DPI, anchors, caption
// and tooltip, in tab order. Both windows build their controls from this table, and both test
// suites check them against it.

#include <cstdint>
#include <span>
#include <string_view>

namespace frontend {

// The designed client area; every rectangle of the table is placed in it.
inline constexpr int kDesignClientWidth = 668;
inline constexpr int kDesignClientHeight = 551;
inline constexpr int kDesignDpi = 96;

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Which edges of the client area a control keeps its distance to when the window is resized.
// A control anchored left and right stretches; anchored right only, it moves with the right edge.
enum Anchor : std::uint8_t {
  kAnchorLeft = 1,
  kAnchorTop = 2,
  kAnchorRight = 4,
  kAnchorBottom = 8,
};

enum class ControlKind {
  kLabel,
  kPathBox,       // one-line edit box
  kBrowseButton,  // small flat button with a picture, not focusable
  kButton,        // push button with a picture
  kLog,           // multi-line read-only text
  kProgressBar,   // vertical, 0..100
  kStatusBar,     // the verdict strip under the log: one line, takes no focus
};

struct ControlSpec {
  std::string_view name;
  int id;  // Win32 control identifier; the run button is IDOK (1), the default button
  ControlKind kind;
  Rect rect;  // at 96 DPI in the designed client area
  std::uint8_t anchors;
  std::string_view caption;  // UTF-8; "&" marks the accelerator
  std::string_view tooltip;  // UTF-8; empty: none
  bool tab_stop;             // takes the focus with Tab
};

// Every control, in tab order (the controls that take no focus where they stand on screen).
std::span<const ControlSpec> Controls();
// The control of that name; null when none.
const ControlSpec* FindControl(std::string_view name);

// Where a control stands in a client area of `width` x `height` pixels at `dpi` dots per inch:
// the designed rectangle scaled by dpi/96, moved or stretched by the change of the client area
// against the designed one scaled alike, as its anchors say. Never narrower or lower than 0.
Rect Place(const ControlSpec& control, int width, int height, int dpi = kDesignDpi);

// The smallest client area at 96 DPI: the right-hand buttons stop beside the progress bar and
// the log keeps a few lines above the strip.
inline constexpr int kMinimumClientWidth = 659;
inline constexpr int kMinimumClientHeight = 184;

// `value` * dpi / 96, rounded to nearest.
int Scale(int value, int dpi);

}  // namespace frontend
