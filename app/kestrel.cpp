#include "app/kestrel.h"

namespace app {

GlobalRef sqlca, sqlda, sqlsa, error, message;
std::unique_ptr<form::w_main> w_main;
kestrel the_application;

namespace {

struct Global {
  GlobalRef* variable;
  const char* class_name;
};

// Made in this order by create...
const Global creation_order[] = {
    {&message, "message"}, {&sqlca, "transaction"}, {&sqlda, "dynamicdescriptionarea"},
    {&sqlsa, "dynamicstagingarea"}, {&error, "error"},
};

// ...and removed in this order by destroy.
GlobalRef* const destruction_order[] = {&sqlca, &sqlda, &sqlsa, &error, &message};

}  // namespace

bool kestrel::create() {
  appname = "kestrel";
  for (const Global& global : creation_order) {
    *global.variable = runtime::create_object(global.class_name);
    if (!*global.variable) return false;
  }
  return true;
}

bool kestrel::open(const std::string&) {
  return runtime::window_open(w_main);
}

bool kestrel::destroy() {
  for (GlobalRef* global : destruction_order) {
    if (*global && !runtime::destroy_object(*global)) return false;
  }
  return true;
}

runtime::ApplicationHandlers getVtableInfo_kestrel() {
  runtime::ApplicationHandlers handlers;
  handlers.create = [] { return the_application.create(); };
  handlers.open = [](const std::string& commandline) { return the_application.open(commandline); };
  handlers.destroy = [] { return the_application.destroy(); };
  return handlers;
}

}  // namespace app
