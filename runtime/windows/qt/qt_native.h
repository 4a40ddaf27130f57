#pragma once
// The Qt backend's own window and control: the widget behind each. Tests
// and tools that drive or render the real widgets reach them through here.
#include <QWidget>

#include "runtime/windows/control.h"
#include "runtime/windows/window.h"

namespace runtime {

class WindowWidget;

struct NativeWindow {
  WindowWidget* widget = nullptr;
};

struct NativeControl {
  QWidget* widget = nullptr;
};

namespace qt {
QWidget* widget(const Window& window);
QWidget* widget(const Control& control);
}  // namespace qt

}  // namespace runtime
