#pragma once
// Colours as the form gives them: a 32-bit value that is either one of the
// system colours or red + 256 * green + 65536 * blue.
#include <optional>

namespace runtime {

inline constexpr long colour_window_text = 33554432;
inline constexpr long colour_button_face = 67108864;
inline constexpr long colour_window = 1073741824;

// The system colours a value may stand for; each backend paints them with
// the toolkit's own colour of that role.
enum class SystemColour { window_text, button_face, window };

// What a colour value means: a system colour, or red, green and blue
// (0 to 255 each; any bits above blue are ignored).
struct Colour {
  std::optional<SystemColour> system;
  int red = 0;
  int green = 0;
  int blue = 0;
};
Colour colour_of(long value);

}  // namespace runtime
