#pragma once
// The one way every writer of the program puts new content in a file's
// place, as git's lock files do: take the writers' lock of the file, write
// the content to a temporary beside it, flush it, and rename it onto the
// file's name; or roll back, removing the temporary. The name is thus
// always the old file or the new one, whole. Profile edits and create
// mode's staging files both go this way.
//
// The temporary, "<name>.kestrel-<hex digits>" (temporary_file.h), is held
// by its writer from its creation until it has the name or is gone, so one
// that nobody holds is a leftover of a killed writer: taking the lock
// removes those of the file.
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/files/temporary_file.h"

namespace runtime {

class Replacement {
 public:
  enum class Mode {
    edit,    // the new content replaces the file; a missing one is created,
             // while no file has its name
    create,  // the file is new: it takes the name only while no file has it
  };

  Replacement(std::filesystem::path target, Mode mode);
  ~Replacement();  // rolls back what was not committed, and lets go of the lock
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  // Takes the lock that every writer of the target takes, waiting until
  // `deadline` for another writer: on POSIX an exclusive flock on the file
  // that has the name (in edit mode, while one exists), on Windows a named
  // mutex of the file. False when it is not taken, or when the target is no
  // regular file or may not be written (a file or folder marked read-only).
  bool lock(std::chrono::steady_clock::time_point deadline);
  bool target_exists() const;
  // The target's bytes, read under the lock.
  bool read_target(std::string& content);

  // Creates the temporary beside the target, under the name given (one
  // that text_file_staging_name made) or a new one.
  bool open_temporary(const std::filesystem::path& name = {});
  bool write(std::string_view bytes);
  // Flushes the temporary to the disk (commit does, if not yet done).
  bool flush();
  // Gives the temporary the target's name: over the file locked in edit
  // mode (keeping its owner and permission bits, or its attributes), and
  // otherwise only while no file has the name (name_taken when one does).
  // Anything but `placed` leaves the temporary for read_temporary until
  // the roll-back.
  temporary::Placed commit();
  // The temporary's bytes.
  bool read_temporary(std::string& content);

 private:
  struct State;  // each system's handles
  std::unique_ptr<State> state_;
};

namespace testing {

// Test seam: makes one step of the next replacement (of the file named
// `file_name`, or of any file) fail as the system call would (a full disk, a
// failing device, a rename that is refused), so tests can show that the old
// file survives. Set by tests only; the writer clears it.
enum class ReplacementStep {
  none,   // no failure pending
  write,  // writing the temporary (half gets written)
  flush,  // flushing the temporary to the disk
  rename, // giving it the target's name
};
void fail_next_replacement_step(ReplacementStep step, std::string_view file_name = {});

}  // namespace testing

namespace replacement {
// True, once, when a test has asked for `step` of replacing `target` to fail.
bool injected_failure(testing::ReplacementStep step, const std::filesystem::path& target);
}  // namespace replacement

}  // namespace runtime
