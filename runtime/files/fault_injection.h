#pragma once
// Test seam for the profile writer: makes one step of the next profile_write
// or profile_update fail as the system call would (a full disk, a failing device, a rename that
// is refused), so tests can show that the old file survives. A single global
// that the writer checks and clears; the program itself never sets it.

namespace runtime::testing {

enum class ProfileWriteStep {
  none,    // no failure pending
  write,   // writing the new content to the temporary file (half gets written)
  fsync,   // flushing the temporary file to the disk
  rename,  // moving the temporary file over the target
};

// The next profile write fails at `step`, once. `none` cancels a pending one.
void fail_next_profile_write_step(ProfileWriteStep step);

}  // namespace runtime::testing
