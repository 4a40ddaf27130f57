#pragma once
// The values kestrel-cli generates from: what the form would show on open,
// with the fields the command line gives replaced.
#include <optional>
#include <string>

#include "app/cli/request.h"
#include "release/fields.h"

namespace cli {

// Why a given value cannot be taken, naming its option ("--program (程序名称):
// ..."), UTF-8; and the field it belongs to.
struct Refusal {
  release::FieldId field;
  std::string option;  // "program", "note-file", ...
  std::string message;
};

// Replaces the values of the fields the request gives: converted to GBK, the
// note's line breaks as CR LF, "today" as today's date. None, or the first
// value that cannot be taken: one that GBK cannot hold, a line break in a
// single-line field, a note file or password that cannot be read.
std::optional<Refusal> apply_request(const Request& request, release::Values& values);

// The password that --password-env or --password-stdin gives (one of them
// was), as UTF-8, standard input's final line break dropped; none, with
// `why` set ("standard input cannot be read"), when it cannot be had.
std::optional<std::string> given_password(const Request& request, std::string& why);

}  // namespace cli
