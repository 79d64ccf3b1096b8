#include "platform/files.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "platform/windows/system_text.h"

namespace korvane::platform {

namespace {

// A hard-linked file is rewritten in place and its old contents are held in memory to be
// put back should the write fail; a file larger than a configuration file ever is, is not.
constexpr size_t kMaxRewriteBytes = 4u << 20;

std::string ReadError(const std::string& path, const std::string& reason) {
  return "Could not read \"" + path + "\": " + reason;
}

std::string WriteError(const std::string& path, const std::string& reason) {
  return "Could not write \"" + path + "\": " + reason;
}

std::string SystemReason() { return windows::ErrorText(::GetLastError()); }

constexpr char kDirectory[] = "it is a directory, not a regular file";
constexpr char kDevice[] = "it is a device, not a regular file";
constexpr char kLeftAlone[] = "; it was left as it is";

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  bool Close() {
    const bool closed = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices in every folder, with any extension, and
// "\\.\" names the device space itself: such a name is never opened as a file.
bool NamesADevice(const std::string& path) {
  if (path.rfind("\\\\.\\", 0) == 0) return true;
  const size_t separator = LastSeparator(path);
  std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" || name == "CONOUT$") {
    return true;
  }
  return name.size() == 4 && (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0) && name[3] >= '1' &&
         name[3] <= '9';
}

// Opens an existing file to read (and write) it; ERROR_* in GetLastError otherwise.
HANDLE OpenExisting(const std::string& path, DWORD access) {
  return ::CreateFileW(windows::Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// What an open handle is, as a reason to refuse it, or empty for a regular file.
std::string NotRegular(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info) {
  if (::GetFileType(handle) != FILE_TYPE_DISK) return kDevice;
  if (!::GetFileInformationByHandle(handle, info)) return SystemReason();
  if (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return kDirectory;
  return {};
}

bool ReadUpTo(HANDLE handle, size_t maxBytes, std::string* data) {
  char buffer[8192];
  while (data->size() <= maxBytes) {
    DWORD n = 0;
    if (!::ReadFile(handle, buffer, sizeof buffer, &n, nullptr)) return false;
    if (n == 0) break;
    data->append(buffer, n);
  }
  return true;
}

// The writer's answer as the reason words.
bool WriteAll(FileWriter& writer, HANDLE handle, std::string_view bytes, std::string* reason) {
  const int err = writer.Write(handle, bytes);
  if (err == 0) return true;
  *reason = std::strerror(err);
  return false;
}

// The file a save writes: the end of a symbolic link, else the path itself. A link whose target
// is not there is replaced itself.
std::string ResolveLinks(const std::string& path) {
  if (NamesADevice(path)) return path;
  const DWORD attributes = ::GetFileAttributesW(windows::Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
  Handle file(::CreateFileW(windows::Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return path;
  std::wstring target(32768, L'\0');
  const DWORD length =
      ::GetFinalPathNameByHandleW(file.get(), target.data(), static_cast<DWORD>(target.size()), FILE_NAME_NORMALIZED);
  if (length == 0 || length >= target.size()) return path;
  target.resize(length);
  // "\\?\C:\..." names the same file as "C:\..."; the long form is kept for network paths.
  if (target.rfind(L"\\\\?\\", 0) == 0 && target.size() > 6 && target[5] == L':') target.erase(0, 4);
  return windows::Utf8(target);
}

// A hidden-by-name file beside the target, unused so far.
Handle CreateTemporary(const std::string& path, std::string* temp) {
  const size_t separator = LastSeparator(path);
  const std::string folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);
  const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = folder + "." + name + ".";
    for (int i = 0; i < 6; ++i) candidate += kLetters[random() % (sizeof kLetters - 1)];
    HANDLE handle = ::CreateFileW(windows::Wide(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      *temp = std::move(candidate);
      return Handle(handle);
    }
    if (::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return Handle(INVALID_HANDLE_VALUE);
}

// The usual save: a new file beside the target that then takes its place, so that a crash at
// any point leaves the old file or the whole new one. ReplaceFileW keeps the old file's
// attributes and permissions.
bool ReplaceByRename(const std::string& path, const std::string& target, bool exists, std::string_view bytes,
                     FileWriter& writer, std::string* error) {
  std::string temp;
  Handle file = CreateTemporary(target, &temp);
  if (!file.valid()) {
    *error = WriteError(path, SystemReason());
    return false;
  }
  std::string reason;
  bool ok = WriteAll(writer, file.get(), bytes, &reason);
  if (ok && !(::FlushFileBuffers(file.get()) && file.Close())) {
    ok = false;
    reason = SystemReason();
  }
  if (ok) {
    const std::wstring from = windows::Wide(temp);
    const std::wstring to = windows::Wide(target);
    ok =
        (exists && ::ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                                  REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) ||
        ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) reason = SystemReason();
  }
  if (!ok) {
    if (file.valid()) file.Close();
    ::DeleteFileW(windows::Wide(temp).c_str());
    *error = WriteError(path, reason);
  }
  return ok;
}

// A file with more than one name (hard links) is written where it is, so that every name sees
// the new contents; a write that fails half-way puts the old bytes back.
bool RewriteInPlace(const std::string& path, const std::string& target, std::string_view bytes, FileWriter& writer,
                    std::string* error) {
  Handle file(::CreateFileW(windows::Wide(target).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    *error = WriteError(path, SystemReason());
    return false;
  }
  std::string old;
  if (!ReadUpTo(file.get(), kMaxRewriteBytes, &old)) {
    *error = WriteError(path, SystemReason());
    return false;
  }
  if (old.size() > kMaxRewriteBytes) {
    *error = WriteError(path, "it has several names (hard links) and is too large to rewrite safely");
    return false;
  }
  std::string reason;
  auto writeAt0 = [&](std::string_view data) {
    if (::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
      reason = SystemReason();
      return false;
    }
    if (!WriteAll(writer, file.get(), data, &reason)) return false;
    if (!::SetEndOfFile(file.get()) || !::FlushFileBuffers(file.get())) {
      reason = SystemReason();
      return false;
    }
    return true;
  };
  if (!writeAt0(bytes)) {
    const std::string first = reason;
    (void)writeAt0(old);
    *error = WriteError(path, first);
    return false;
  }
  if (!file.Close()) {
    *error = WriteError(path, SystemReason());
    return false;
  }
  return true;
}

// Replaces the file a save resolved to: refused when it is no regular file, in place when it
// has several names, else by a new file that takes its place.
bool WriteToTarget(const std::string& path, const std::string& target, std::string_view bytes, FileWriter& writer,
                   std::string* error) {
  if (NamesADevice(target)) {
    *error = WriteError(path, std::string(kDevice) + kLeftAlone);
    return false;
  }
  const DWORD attributes = ::GetFileAttributesW(windows::Wide(target).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!IsMissing(::GetLastError())) {
      *error = WriteError(path, SystemReason());
      return false;
    }
    return ReplaceByRename(path, target, false, bytes, writer, error);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    *error = WriteError(path, std::string(kDirectory) + kLeftAlone);
    return false;
  }
  Handle file(OpenExisting(target, FILE_READ_ATTRIBUTES));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file.valid()) {
    *error = WriteError(path, SystemReason());
    return false;
  }
  if (const std::string refused = NotRegular(file.get(), &info); !refused.empty()) {
    *error = WriteError(path, refused + kLeftAlone);
    return false;
  }
  file.Close();
  if (info.nNumberOfLinks > 1) return RewriteInPlace(path, target, bytes, writer, error);
  return ReplaceByRename(path, target, true, bytes, writer, error);
}

}  // namespace

ReadStatus ReadRegularFile(const std::string& path, size_t maxBytes, std::string* bytes, std::string* error,
                           bool* truncated) {
  // Looked at before it is opened, so that no device (a serial port) sees an open.
  if (NamesADevice(path)) {
    *error = ReadError(path, kDevice);
    return ReadStatus::Failed;
  }
  const DWORD attributes = ::GetFileAttributesW(windows::Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (IsMissing(::GetLastError())) return ReadStatus::Missing;
    *error = ReadError(path, SystemReason());
    return ReadStatus::Failed;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    *error = ReadError(path, kDirectory);
    return ReadStatus::Failed;
  }
  Handle file(OpenExisting(path, GENERIC_READ));
  if (!file.valid()) {
    if (IsMissing(::GetLastError())) return ReadStatus::Missing;
    *error = ReadError(path, SystemReason());
    return ReadStatus::Failed;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (const std::string refused = NotRegular(file.get(), &info); !refused.empty()) {
    *error = ReadError(path, refused);
    return ReadStatus::Failed;
  }
  std::string data;
  if (!ReadUpTo(file.get(), maxBytes, &data)) {
    *error = ReadError(path, SystemReason());
    return ReadStatus::Failed;
  }
  const bool more = data.size() > maxBytes;
  if (more) data.resize(maxBytes);
  if (truncated) *truncated = more;
  *bytes = std::move(data);
  return ReadStatus::Ok;
}

int FileWriter::Write(FileHandle file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    if (!::WriteFile(static_cast<HANDLE>(file), bytes.data() + done, chunk, &n, nullptr)) {
      return windows::ErrnoOf(::GetLastError());
    }
    done += n;
  }
  return 0;
}

bool UpdateFileAtomically(const std::string& path, const FileUpdate& update, std::string* error, FileWriter* writer,
                          size_t maxBytes) {
  FileWriter systemWriter;
  FileWriter& out = writer ? *writer : systemWriter;
  if (path.empty()) {
    *error = WriteError(path, std::strerror(ENOENT));
    return false;
  }
  const std::string target = ResolveLinks(path);
  std::string old;
  bool truncated = false;
  std::string readError;
  switch (ReadRegularFile(target, maxBytes, &old, &readError, &truncated)) {
    case ReadStatus::Missing:
      old.clear();
      break;
    case ReadStatus::Failed: {
      // What is no regular file is refused as a save refuses it; other failures are read errors.
      const std::string reason = readError.substr(ReadError(target, "").size());
      const bool refused = reason == kDirectory || reason == kDevice;
      *error = refused ? WriteError(path, reason + kLeftAlone) : ReadError(path, reason);
      return false;
    }
    case ReadStatus::Ok:
      if (truncated) {
        *error = ReadError(path, "the file is too large for a configuration file");
        return false;
      }
      break;
  }
  std::string bytes;
  if (!update(old, &bytes, error)) return false;
  return WriteToTarget(path, target, bytes, out, error);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error, FileWriter* writer) {
  FileWriter systemWriter;
  FileWriter& out = writer ? *writer : systemWriter;
  if (path.empty()) {
    *error = WriteError(path, std::strerror(ENOENT));
    return false;
  }
  return WriteToTarget(path, ResolveLinks(path), bytes, out, error);
}

}  // namespace korvane::platform
