#pragma once
// Between the line-mode writer and text_file_publish. A staging file that
// text_file_close closed whole stays held by this process, as the
// temporary of its replacement, until text_file_publish has placed it, so
// that no other writer takes it for a leftover meanwhile.
#include <memory>
#include <string_view>

#include "runtime/files/replacement.h"

namespace runtime::staging {

// Keeps the flushed replacement whose temporary is the staging file `name`.
void hold(std::string_view name, std::unique_ptr<Replacement> replacement);

// The held replacement of that staging name, now the caller's; null when
// there is none.
std::unique_ptr<Replacement> take(std::string_view name);

}  // namespace runtime::staging
