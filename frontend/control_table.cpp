#include "frontend/control_table.h"

#include <algorithm>
#include <array>

namespace frontend {
namespace {

constexpr std::uint8_t kTopLeft = kAnchorLeft | kAnchorTop;
constexpr std::uint8_t kTopRight = kAnchorTop | kAnchorRight;
constexpr std::uint8_t kAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom;

constexpr std::uint8_t kBottom = kAnchorLeft | kAnchorRight | kAnchorBottom;

constexpr std::array<ControlSpec, 13> kControls = {{
    {"Label3",
     1001,
     ControlKind::kLabel,
     {8, 8, 200, 16},
     kTopLeft,
     "Arquivo de Riscos",
     "",
     false},
    {"edArqRisco",
     1002,
     ControlKind::kPathBox,
     {8, 26, 445, 23},
     kTopLeft,
     "",
     "Local e nome do arquivo de riscos",
     true},
    {"SpeedButton4",
     1003,
     ControlKind::kBrowseButton,
     {456, 26, 23, 23},
     kTopLeft,
     "",
     "Defina o arquivo de riscos",
     false},
    {"Label4",
     1004,
     ControlKind::kLabel,
     {8, 55, 200, 16},
     kTopLeft,
     "Arquivo de Sinistros",
     "",
     false},
    {"edArqSinistro",
     1005,
     ControlKind::kPathBox,
     {8, 73, 445, 23},
     kTopLeft,
     "",
     "Local e nome do arquivo de sinistros",
     true},
    {"SpeedButton3",
     1006,
     ControlKind::kBrowseButton,
     {456, 73, 23, 23},
     kTopLeft,
     "",
     "Defina o arquivo de sinistros",
     false},
    {"btnOk", 1, ControlKind::kButton, {514, 8, 111, 27}, kTopRight, "&Criticar", "", true},
    {"btnFechar",
     1007,
     ControlKind::kButton,
     {514, 70, 143, 27},
     kTopRight,
     "&Fechar",
     "Sai do programa",
     true},
    // The log ends above the verdict strip, which takes the bottom 20 pixels of the client area.
    {"edLog", 1008, ControlKind::kLog, {0, 104, 668, 427}, kAll, "", "Resultado do teste", true},
    {"btnExporta",
     1009,
     ControlKind::kButton,
     {514, 39, 143, 27},
     kTopRight,
     "Exporta Resultado",
     "Exporta para TXT",
     true},
    {"ProgressBar", 1010, ControlKind::kProgressBar, {488, 8, 17, 88}, kTopLeft, "", "", false},
    {"btnAjuda", 1011, ControlKind::kButton, {630, 8, 27, 27}, kTopRight, "", "Ajuda", true},
    // Its tooltip names the catalogue folder of the runs (verdict_strip.h).
    {"sbVeredito", 1012, ControlKind::kStatusBar, {0, 531, 668, 20}, kBottom, "Pronto", "", false},
}};

}  // namespace

std::span<const ControlSpec> Controls() { return kControls; }

const ControlSpec* FindControl(std::string_view name) {
  for (const ControlSpec& control : kControls) {
    if (control.name == name) return &control;
  }
  return nullptr;
}

int Scale(int value, int dpi) {
  const long long scaled = static_cast<long long>(value) * dpi;
  const long long half = kDesignDpi / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / kDesignDpi
                                      : -((-scaled + half) / kDesignDpi));
}

Rect Place(const ControlSpec& control, int width, int height, int dpi) {
  const Rect& r = control.rect;
  int left = Scale(r.left, dpi);
  int top = Scale(r.top, dpi);
  // Right and bottom edges scaled from the designed edges, so neighbours keep their gaps.
  int right = Scale(r.left + r.width, dpi);
  int bottom = Scale(r.top + r.height, dpi);
  const int dx = width - Scale(kDesignClientWidth, dpi);
  const int dy = height - Scale(kDesignClientHeight, dpi);
  if (control.anchors & kAnchorRight) {
    right += dx;
    if (!(control.anchors & kAnchorLeft)) left += dx;
  }
  if (control.anchors & kAnchorBottom) {
    bottom += dy;
    if (!(control.anchors & kAnchorTop)) top += dy;
  }
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

}  // namespace frontend
