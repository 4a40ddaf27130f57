#pragma once
// The folder target's uploader, the same on every system; open_uploader
// gives it for a target without a scheme.
#include <memory>

#include "runtime/network/upload.h"

namespace runtime {

std::unique_ptr<Uploader> open_folder_uploader(const UploadTarget& target);

}  // namespace runtime
