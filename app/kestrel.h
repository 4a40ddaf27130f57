#pragma once
// The application object: it makes the five standard globals, opens the
// form, and removes the globals again when the run ends.
#include <memory>
#include <string>

#include "form/w_main.h"
#include "runtime/windows/application.h"
#include "runtime/windows/standard_objects.h"

namespace app {

struct kestrel {
  std::string appname;
  bool create();
  bool open(const std::string& commandline);
  bool destroy();
};

// The standard globals, in the runtime's declaration order.
using GlobalRef = std::unique_ptr<runtime::StandardObject>;
extern GlobalRef sqlca, sqlda, sqlsa, error, message;

// The window global that names the main window.
extern std::unique_ptr<form::w_main> w_main;

// The one application object of the run.
extern kestrel the_application;

runtime::ApplicationHandlers getVtableInfo_kestrel();

}  // namespace app
