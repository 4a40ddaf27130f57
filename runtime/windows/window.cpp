#include "runtime/windows/window.h"

#include <algorithm>

#include "runtime/windows/toolkit.h"

namespace runtime {
namespace {

int windows_open = 0;

// Stacking: bringtotop controls above the others; earlier in the array above
// later ones.
std::vector<Control*> stacking_order(const std::vector<Control*>& controls) {
  std::vector<Control*> order = controls;
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    return a->properties().bringtotop && !b->properties().bringtotop;
  });
  return order;
}

// Tab order: ascending taborder, ties in array order; labels and frames never.
std::vector<Control*> tab_chain(const std::vector<Control*>& controls) {
  std::vector<Control*> chain;
  for (Control* c : controls) {
    if (takes_focus(c->kind(), c->properties().taborder)) chain.push_back(c);
  }
  std::stable_sort(chain.begin(), chain.end(), [](const Control* a, const Control* b) {
    return a->properties().taborder < b->properties().taborder;
  });
  return chain;
}

}  // namespace

Window::Window(WindowProperties properties)
    : properties_(std::move(properties)),
      logical_dpi_(toolkit::screen_logical_dpi()),
      units_(logical_dpi_),
      native_(toolkit::window_create(*this)) {}

Window::~Window() {
  if (open_) --windows_open;  // destroyed without being closed
}

void Window::arrange_controls() {
  toolkit::Arrangement arrangement;
  arrangement.top_to_bottom = stacking_order(control);
  arrangement.tab_chain = tab_chain(control);
  for (Control* c : control) {
    if (c->kind() != ControlKind::commandbutton) continue;
    if (c->properties().is_default) arrangement.default_button = c;
    if (c->properties().cancel) arrangement.cancel_button = c;
  }
  toolkit::window_arrange(*this, arrangement);
}

void Window::handle_close() { tear_down(); }

bool Window::tear_down() {
  if (!open_) return true;
  open_ = false;
  --windows_open;
  const bool destroyed = handlers_.destroy ? handlers_.destroy() : true;
  control.clear();
  if (windows_open == 0) toolkit::quit();
  return destroyed;
}

void Window::handle_click(const std::string& control_name) {
  const auto found = handlers_.clicked.find(control_name);
  if (found != handlers_.clicked.end() && found->second) found->second();
}

bool window_open_instance(Window& window) {
  if (window.open_) return true;
  window.handlers_ = window.handler_table();
  window.open_ = true;
  ++windows_open;
  if (window.handlers_.create && !window.handlers_.create()) {
    window.tear_down();
    return false;
  }
  window.arrange_controls();
  const bool opened = !window.handlers_.open || window.handlers_.open();
  toolkit::window_show(window, window.properties().center);
  return opened;
}

bool window_close(Window& window) {
  if (!window.is_open()) return false;
  toolkit::window_close(window);
  return !window.is_open();
}

int open_window_count() { return windows_open; }

}  // namespace runtime
