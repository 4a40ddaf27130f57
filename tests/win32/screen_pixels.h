#pragma once
// What a window shows on the screen, read back as pixels, to tell the
// colours its texts are drawn in.
#include <windows.h>

#include <functional>
#include <vector>

namespace win32_test {

struct Rgb {
  int red, green, blue;
};

class ScreenPixels {
 public:
  // The client area of `window` as it is on the screen now.
  explicit ScreenPixels(HWND window);

  // How many pixels inside `area` (client coordinates) `is_ink` accepts.
  int count(const RECT& area, const std::function<bool(Rgb)>& is_ink) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<unsigned char> bgr_;  // top-down rows of 4 bytes a pixel
};

}  // namespace win32_test
