#include "winui/verdict_mark.h"

namespace winui {

HICON MakeMark(std::uint32_t rgb, int size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);  // white: transparent
  const COLORREF fill = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  const RECT all{0, 0, size, size};
  HGDIOBJ old = SelectObject(dc, mask);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  SelectObject(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, 0, 0, size + 1, size + 1);
  SelectObject(dc, colour);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HBRUSH brush = CreateSolidBrush(fill);
  SelectObject(dc, brush);
  Ellipse(dc, 0, 0, size + 1, size + 1);
  SelectObject(dc, old);
  DeleteObject(brush);
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return icon;
}

}  // namespace winui
