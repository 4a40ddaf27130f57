#pragma once
// Line-mode text files: each write is one line, its bytes unchanged, then
// CR LF. No byte-order mark is ever written.
#include <string>
#include <string_view>

namespace runtime {

enum class FileMode { line_mode };
enum class FileAccess { write };
enum class FileLock { lock_write };       // other writers are locked out while open
enum class WriteMode { append };

// Handle of an open file (> 0), or failed_file when the file could not be
// opened; writes and close with failed_file do nothing.
constexpr int failed_file = -1;

// Opens (creating a missing file) for appending, with other writers locked
// out. Waits a short while for a lock held by another program, then fails.
int text_file_open(std::string_view name, FileMode mode, FileAccess access, FileLock lock,
                   WriteMode write_mode);

// Returns the number of bytes written (line end included), or -1.
int text_file_write_line(int handle, std::string_view text);

// Returns 1 when every write since the open reached the file whole, else -1.
// When a write failed, the file is put back as it was before the open (a
// file that the open created is removed), so no half-written file is left.
int text_file_close(int handle);

// Writing a new file whole or not at all: its lines go to a staging file
// beside it (opened like any other, but always made new: the temporary of a
// replacement, runtime/files/replacement.h), and once that is closed whole,
// text_file_publish puts it in place under `name` in one step. Where a file
// of that name has appeared in the meantime, the staged lines are appended
// to it instead (other writers locked out), as an appending open would have
// done. The staging file is removed either way. Returns true when `name`
// then holds the lines whole. The staging file, "<name>.kestrel-<hex
// digits>", stays held by this process from its open, past its close, until
// it is published; one that a killed process left is held by nobody,
// nothing reads it, and the next writer of `name` removes it.
std::string text_file_staging_name(std::string_view name);
bool text_file_publish(std::string_view staged, std::string_view name);

}  // namespace runtime
