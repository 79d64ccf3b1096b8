// Whole-file reads and all-or-nothing writes of small files that are regular files and nothing
// else, as the operating system allows them safely: file kinds, owner and mode, atomic replace.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace korvane::platform {

enum class ReadStatus { Ok, Missing, Failed };

// An open file as the system names it: a file descriptor, or a HANDLE on Windows.
#ifdef _WIN32
using FileHandle = void*;
#else
using FileHandle = int;
#endif

// How a save's bytes reach the file. The system's own writer is the default; tests put one in
// its place that fails part-way, as a full disk or a failing drive does.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Writes every byte at the file's position: 0, or the system's error as an errno value.
  virtual int Write(FileHandle file, std::string_view bytes);
};

// Reads at most maxBytes from the start of a regular file (a symbolic link to one is
// followed). A FIFO, a device, a directory or a socket is refused before it is opened, so
// nothing blocks and no device sees an open; the opened file is checked again, in case the
// path changed in between. A file that does not exist is Missing; any other failure is
// Failed with *error naming the file and the reason. *truncated, when given, tells whether
// the file holds more than maxBytes. *bytes is set only on Ok.
ReadStatus ReadRegularFile(const std::string& path, size_t maxBytes, std::string* bytes, std::string* error,
                           bool* truncated = nullptr);

// ReadRegularFile of a whole file: one larger than maxBytes is Failed.
ReadStatus ReadSmallFile(const std::string& path, std::string* bytes, std::string* error, size_t maxBytes = 4u << 20);

// Writes the bytes so that the target is either the old file or the complete new one:
// a temporary file in the target's folder, synced, renamed over the target, the folder
// synced. A symbolic link is followed and its target written (a dangling link's target is
// created); each link is read from a descriptor of the folder that holds it, and the file
// is replaced through the last one, so a link put into the path meanwhile changes nothing.
// Names up to the system's limit can be saved. A target that exists and is not a regular file is refused and left
// alone. The new file keeps the old one's mode, and its owner and group where the process may set them. A file with
// more than one name (hard links) is rewritten in place instead, so that every name sees the new contents. On failure
// *error names the file and the reason, and the old file keeps its contents. The bytes go through the writer when one
// is given.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         FileWriter* writer = nullptr);

// Makes a save's new contents from the old ones: old is empty for a file not there yet. false
// with *error leaves the file as it is.
using FileUpdate = std::function<bool(const std::string& old, std::string* bytes, std::string* error)>;

// A read, update and WriteFileAtomically of one file, resolved once: the old contents come
// from the file that is then replaced, so a name swapped for a symbolic link in between
// cannot turn the save onto the file the link names. A file larger than maxBytes is Failed.
bool UpdateFileAtomically(const std::string& path, const FileUpdate& update, std::string* error,
                          FileWriter* writer = nullptr, size_t maxBytes = 4u << 20);

}  // namespace korvane::platform
