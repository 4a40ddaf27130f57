// The process entry: hands the start-up values to the runtime and ends the
// process with the code it returns. The command line is never interpreted.
#include <string>

#include "app/kestrel.h"

#ifdef _WIN32
#include <windows.h>

namespace {

// The command line without the program name (a quoted name is skipped through
// its closing quote) and without the blanks after it.
std::string argument_text() {
  const char* line = GetCommandLineA();
  if (*line == '"') {
    ++line;
    while (*line && *line != '"') ++line;
    if (*line == '"') ++line;
  } else {
    while (*line && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

void* module_instance() { return GetModuleHandleW(nullptr); }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#else

namespace {

std::string arguments_of(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) text += (i > 1 ? " " : "") + std::string(argv[i]);
  return text;
}

void* module_instance() { return nullptr; }

}  // namespace

int main(int argc, char** argv) {
  const std::string argument_text_value = arguments_of(argc, argv);
  const auto argument_text = [&] { return argument_text_value; };
#endif
  constexpr int show_default = 10;
  return runtime::application_run(app::getVtableInfo_kestrel, module_instance(), nullptr,
                                  argument_text(), show_default, 1000, 1);
}
