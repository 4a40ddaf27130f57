#pragma once
// Line-mode text files: each write is one line, its bytes unchanged, then
// CR LF. No byte-order mark is ever written.
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

}  // namespace runtime
