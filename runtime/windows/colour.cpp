#include "runtime/windows/colour.h"

namespace runtime {
namespace {

struct SystemColourValue {
  long value;
  SystemColour colour;
};

constexpr SystemColourValue system_colours[] = {
    {colour_window_text, SystemColour::window_text},
    {colour_button_face, SystemColour::button_face},
    {colour_window, SystemColour::window},
};

}  // namespace

Colour colour_of(long value) {
  for (const SystemColourValue& system : system_colours)
    if (system.value == value) return {system.colour};
  return {std::nullopt, static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
          static_cast<int>((value >> 16) & 0xFF)};
}

}  // namespace runtime
