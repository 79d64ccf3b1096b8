#include "config/file_io.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvane::config {

namespace {

int writeFault = 0;

std::string Reason(int err) { return std::strerror(err); }

std::string ReadError(const std::string& path, const std::string& reason) {
  return "Could not read \"" + path + "\": " + reason;
}

std::string WriteError(const std::string& path, const std::string& reason) {
  return "Could not write \"" + path + "\": " + reason;
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  size_t limit = bytes.size();
  int fault = writeFault;
  writeFault = 0;
  if (fault != 0) limit /= 2;
  while (done < limit) {
    ssize_t n = ::write(fd, bytes.data() + done, limit - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (fault != 0) {
    errno = fault;
    return false;
  }
  return true;
}

// Where the new file has to go: the final target of a symbolic link, else the path itself.
std::string ResolveTarget(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  }
  return path;
}

mode_t NewFileMode(const std::string& target) {
  struct stat info;
  if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 07777;
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

ReadStatus ReadSmallFile(const std::string& path, std::string* bytes, std::string* error, size_t maxBytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadStatus::Missing;
    *error = ReadError(path, Reason(errno));
    return ReadStatus::Failed;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    *error = ReadError(path, Reason(errno));
    ::close(fd);
    return ReadStatus::Failed;
  }
  if (S_ISDIR(info.st_mode)) {
    *error = ReadError(path, Reason(EISDIR));
    ::close(fd);
    return ReadStatus::Failed;
  }
  std::string data;
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = ReadError(path, Reason(errno));
      ::close(fd);
      return ReadStatus::Failed;
    }
    if (n == 0) break;
    if (data.size() + static_cast<size_t>(n) > maxBytes) {
      *error = ReadError(path, "the file is too large for a configuration file");
      ::close(fd);
      return ReadStatus::Failed;
    }
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  *bytes = std::move(data);
  return ReadStatus::Ok;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  if (path.empty()) {
    *error = WriteError(path, Reason(ENOENT));
    return false;
  }
  const std::string target = ResolveTarget(path);
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

  struct stat info;
  if (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    *error = WriteError(path, Reason(EISDIR));
    return false;
  }

  std::string temp = folder + "/." + name + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    *error = WriteError(path, Reason(errno));
    return false;
  }
  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(temp.c_str());
    *error = WriteError(path, Reason(err));
    return false;
  };
  if (::fchmod(fd, NewFileMode(target)) != 0) return fail(errno);
  if (!WriteAll(fd, bytes)) return fail(errno);
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    *error = WriteError(path, Reason(err));
    return false;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    *error = WriteError(path, Reason(err));
    return false;
  }
  // Make the rename itself durable; a folder that cannot be opened only loses that.
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

void SetWriteFaultForTesting(int errnoValue) { writeFault = errnoValue; }

}  // namespace korvane::config
