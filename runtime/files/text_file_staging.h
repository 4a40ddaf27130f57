#pragma once
// Between the line-mode writer and text_file_publish. A staging file that
// text_file_close closed whole stays held by this process (locked; on
// Windows, open so that nobody can delete it) until text_file_publish has
// placed it, so that no other writer takes it for a leftover meanwhile.
#include <string_view>

#include "runtime/files/temporary_file.h"

namespace runtime::staging {

// Keeps the open, flushed `file` of the staging file `name`.
void hold(std::string_view name, temporary::Native file);

// The held file of that staging name, now the caller's to close; no_file
// when there is none.
temporary::Native take(std::string_view name);

}  // namespace runtime::staging
