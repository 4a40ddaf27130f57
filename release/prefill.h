#pragma once
// The values the form shows when it opens: the last release's, read back
// from the two files an earlier run wrote into the working directory.
#include "release/fields.h"

namespace release {

// Every field's preset, except that a pre-filled field takes what its file
// holds, the empty text where the file, section or key is missing. Values
// are taken as they stand in the file, byte for byte.
Values prefill();

}  // namespace release
