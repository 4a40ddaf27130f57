#include "runtime/windows/window_units.h"

#include <cmath>

namespace runtime {
namespace {

constexpr double reference_dpi = 96.0;
constexpr double reference_char_width = 7.0;
constexpr double reference_char_height = 16.0;
// A classic fixed frame is 3 pixels on each side; the title bar 19 pixels.
constexpr double frame_pixels = 3.0;
constexpr double caption_pixels = 19.0;

int round_pixels(double pixels) { return static_cast<int>(std::lround(pixels)); }

}  // namespace

WindowUnits::WindowUnits(double logical_dpi)
    : char_width_(reference_char_width * logical_dpi / reference_dpi),
      char_height_(reference_char_height * logical_dpi / reference_dpi),
      scale_(logical_dpi / reference_dpi) {}

int WindowUnits::x_pixels(int units) const { return round_pixels(units * char_width_ / 32.0); }
int WindowUnits::y_pixels(int units) const { return round_pixels(units * char_height_ / 64.0); }

PixelRect WindowUnits::rect(int x, int y, int width, int height) const {
  return {x_pixels(x), y_pixels(y), x_pixels(width), y_pixels(height)};
}

PixelSize WindowUnits::client_size(int width, int height) const {
  return {x_pixels(width) - round_pixels(2 * frame_pixels * scale_),
          y_pixels(height) - round_pixels((2 * frame_pixels + caption_pixels) * scale_)};
}

}  // namespace runtime
