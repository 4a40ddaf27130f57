#pragma once
// The toolkit's own window and control behind a runtime Window and Control.
// Each window backend (runtime/windows/qt, runtime/windows/win32) defines
// the two types and how they are destroyed; everything else sees them only
// by reference.
#include <memory>

namespace runtime {

struct NativeWindow;
struct NativeControl;

struct NativeDeleter {
  void operator()(NativeWindow* window) const;
  void operator()(NativeControl* control) const;
};

using NativeWindowPtr = std::unique_ptr<NativeWindow, NativeDeleter>;
using NativeControlPtr = std::unique_ptr<NativeControl, NativeDeleter>;

}  // namespace runtime
