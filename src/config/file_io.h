// Whole-file reads and all-or-nothing writes of small text files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::config {

enum class ReadStatus { Ok, Missing, Failed };

// Reads a whole file of at most maxBytes. A file that does not exist is Missing; anything
// else that stops the read is Failed, with *error naming the file and the reason.
ReadStatus ReadSmallFile(const std::string& path, std::string* bytes, std::string* error, size_t maxBytes = 4u << 20);

// Writes the bytes to a temporary file in the target's folder and renames it over the
// target, so the target is either the old file or the complete new one. A symbolic link is
// followed and its target replaced. On failure *error names the file and the reason, and
// the old file is untouched.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// Makes the next WriteFileAtomically fail half-way through writing its data with the given
// errno value (0 clears it). For tests of the failure path.
void SetWriteFaultForTesting(int errnoValue);

}  // namespace korvane::config
