// What the Windows files of this folder share: UTF-8 and the system's UTF-16 names, and the
// system's error codes in the words and numbers the rest of the program uses.
#pragma once

#include <windows.h>

#include <string>

namespace korvane::platform::windows {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// The system's own sentence for an error code, without the trailing line break.
std::string ErrorText(DWORD error);

// The errno value that means the same as a system error code, as the portable parts of the
// program compare against; EIO for one without a counterpart.
int ErrnoOf(DWORD error);

// Starts Winsock once for the whole program, before the first socket call that needs it.
void StartWinsock();

}  // namespace korvane::platform::windows
