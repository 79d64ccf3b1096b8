// What reading and saving files does the same on every system, on top of its own calls.
#include "platform/files.h"

#include <utility>

namespace korvane::platform {

ReadStatus ReadSmallFile(const std::string& path, std::string* bytes, std::string* error, size_t maxBytes) {
  std::string data;
  bool truncated = false;
  const ReadStatus status = ReadRegularFile(path, maxBytes, &data, error, &truncated);
  if (status != ReadStatus::Ok) return status;
  if (truncated) {
    *error = "Could not read \"" + path + "\": the file is too large for a configuration file";
    return ReadStatus::Failed;
  }
  *bytes = std::move(data);
  return ReadStatus::Ok;
}

}  // namespace korvane::platform
