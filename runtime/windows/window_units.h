#pragma once
// Window units follow the system font: 32 horizontal units are its average
// character width and 64 vertical units its character height. The reference
// system font is 7 x 16 pixels at 96 dpi; both scale with the logical dpi.

namespace runtime {

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct PixelSize {
  int width = 0;
  int height = 0;
};

class WindowUnits {
 public:
  explicit WindowUnits(double logical_dpi = 96.0);

  int x_pixels(int units) const;
  int y_pixels(int units) const;
  PixelRect rect(int x, int y, int width, int height) const;

  // The client area of a window whose outer size, with a classic fixed frame
  // and title bar, is width x height units.
  PixelSize client_size(int width, int height) const;

 private:
  double char_width_;
  double char_height_;
  double scale_;
};

}  // namespace runtime
