// Whole-file reads and all-or-nothing writes of small files that are regular files and nothing
// else: the configuration's name for what the platform provides.
#pragma once

#include "platform/files.h"

namespace korvane::config {

using platform::FileHandle;
using platform::FileUpdate;
using platform::FileWriter;
using platform::ReadRegularFile;
using platform::ReadSmallFile;
using platform::ReadStatus;
using platform::UpdateFileAtomically;
using platform::WriteFileAtomically;

}  // namespace korvane::config
