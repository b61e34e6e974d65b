#pragma once
// The verdict strip's coloured mark on Windows.

#include <windows.h>

#include <cstdint>

namespace winui {

// A disc of `rgb` (0xRRGGBB), `size` pixels wide; the caller destroys it (DestroyIcon).
HICON MakeMark(std::uint32_t rgb, int size);

}  // namespace winui
