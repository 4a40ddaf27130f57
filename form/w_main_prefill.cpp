// The open event: the form takes up the values of the last release from the
// files an earlier run wrote, so that each new release starts from them.
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form/w_main.h"
#include "runtime/profile.h"

namespace form {
namespace {

struct Prefill {
  const char* file;
  const char* section;  // asked for as written here; names match in any letter case
  const char* key;
  ControlRef w_main::*control;
};

const Prefill prefills[] = {
    {files::client_config_file, "Main", "ProgramName", &w_main::sle_2},
    {files::client_config_file, "update", "URL", &w_main::sle_1},
    {files::client_config_file, "update", "Version", &w_main::sle_6},
    {files::update_descriptor_file, "update", "Version", &w_main::sle_4},
    {files::update_descriptor_file, "update", "Date", &w_main::sle_5},
    {files::update_descriptor_file, "update", "URL", &w_main::sle_3},
    {files::update_descriptor_file, "update", "Note", &w_main::mle_1},
};

}  // namespace

bool w_main::open() {
  for (const Prefill& prefill : prefills) {
    (this->*prefill.control)->set_text(runtime::profile_read(prefill.file, prefill.section, prefill.key, ""));
  }
  return true;
}

}  // namespace form
