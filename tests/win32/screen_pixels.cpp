#include "win32/screen_pixels.h"

#include <algorithm>

namespace win32_test {

ScreenPixels::ScreenPixels(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  width_ = client.right;
  height_ = client.bottom;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width_, height_);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY);
  SelectObject(memory, previous);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  bgr_.resize(static_cast<std::size_t>(width_) * height_ * 4);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height_), bgr_.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

int ScreenPixels::count(const RECT& area, const std::function<bool(Rgb)>& is_ink) const {
  int found = 0;
  for (int y = std::max(0L, area.top); y < std::min<long>(height_, area.bottom); ++y) {
    for (int x = std::max(0L, area.left); x < std::min<long>(width_, area.right); ++x) {
      const unsigned char* p = &bgr_[(static_cast<std::size_t>(y) * width_ + x) * 4];
      found += is_ink({p[2], p[1], p[0]});
    }
  }
  return found;
}

}  // namespace win32_test
