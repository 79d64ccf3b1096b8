#include "platform/files.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

namespace korvane::platform {

namespace {

// A hard-linked file is rewritten in place and its old contents are held in memory to be
// put back should the write fail; a file larger than a configuration file ever is, is not.
constexpr size_t kMaxRewriteBytes = 4u << 20;

// Links followed before giving up, as the kernel's own limit for one path.
constexpr int kMaxLinkHops = 40;

std::string Reason(int err) { return std::strerror(err); }

std::string ReadError(const std::string& path, const std::string& reason) {
  return "Could not read \"" + path + "\": " + reason;
}

std::string WriteError(const std::string& path, const std::string& reason) {
  return "Could not write \"" + path + "\": " + reason;
}

std::string NotRegular(mode_t mode) {
  const char* kind = "a special file";
  if (S_ISDIR(mode)) kind = "a directory";
  if (S_ISCHR(mode)) kind = "a character device";
  if (S_ISBLK(mode)) kind = "a block device";
  if (S_ISFIFO(mode)) kind = "a FIFO (named pipe)";
  if (S_ISSOCK(mode)) kind = "a socket";
  if (S_ISLNK(mode)) kind = "a symbolic link";
  return std::string("it is ") + kind + ", not a regular file";
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // close(2) reports delayed write errors (NFS, quotas); the caller has to see them.
  int Close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// The writer's answer in errno, as the system calls around it give theirs.
bool WriteAll(FileWriter& writer, int fd, std::string_view bytes) {
  const int err = writer.Write(fd, bytes);
  if (err == 0) return true;
  errno = err;
  return false;
}

// Reads from the descriptor's position until end of file or more than maxBytes; false with
// errno on a read error.
bool ReadUpTo(int fd, size_t maxBytes, std::string* data) {
  char buffer[8192];
  while (data->size() <= maxBytes) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    data->append(buffer, static_cast<size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a save writes: a descriptor of the folder that holds the file and the file's name in
// it. The kernel resolves every link in the folder's path when the folder is opened, and
// everything after that happens relative to the descriptor, so a link swapped into the path
// between the save's steps cannot send the write somewhere else.
struct SaveTarget {
  Fd folder = Fd(-1);
  std::string name;
};

// Opens the folder of path (relative to `from`, a folder descriptor or AT_FDCWD): 0, or the
// errno value.
int OpenFolderOf(int from, const std::string& path, SaveTarget* target) {
  target->name = NameOf(path);
  if (target->name.empty() || target->name == "." || target->name == "..") return EISDIR;
  const int fd = ::openat(from, FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  target->folder = Fd(fd);
  return 0;
}

// The file a save has to write: the end of a chain of symbolic links (which need not exist
// yet), else the path itself. Each link is read from the folder that holds it. 0, or the
// errno value that stopped the walk.
int FollowLinks(const std::string& path, SaveTarget* target) {
  if (int err = OpenFolderOf(AT_FDCWD, path, target); err != 0) return err;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat info;
    if (::fstatat(target->folder.get(), target->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(info.st_mode)) {
      return 0;
    }
    char link[PATH_MAX];
    ssize_t n = ::readlinkat(target->folder.get(), target->name.c_str(), link, sizeof link);
    if (n < 0) return errno;
    if (static_cast<size_t>(n) >= sizeof link) return ENAMETOOLONG;
    const std::string next(link, static_cast<size_t>(n));
    if (next.empty()) return ENOENT;
    SaveTarget nextTarget;
    if (int err = OpenFolderOf(target->folder.get(), next, &nextTarget); err != 0) return err;
    *target = std::move(nextTarget);
  }
  return ELOOP;
}

// A hidden name beside the file, unused so far, that fits the folder's name limit however
// long the file's own name is: a name of 255 bytes could not be saved before.
int CreateTemporary(const SaveTarget& target, std::string* temp) {
  constexpr size_t kSuffix = 7;  // ".XXXXXX"
  std::string stem = "." + target.name;
  size_t limit = NAME_MAX - kSuffix;
  if (stem.size() > limit) {
    // Cut at a character's start, so that a listing shows no broken UTF-8.
    while (limit > 1 && (static_cast<unsigned char>(stem[limit]) & 0xC0) == 0x80) --limit;
    stem.resize(limit);
  }
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem + ".";
    for (size_t i = 1; i < kSuffix; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    const int fd = ::openat(target.folder.get(), name.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd >= 0) {
      *temp = std::move(name);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

mode_t DefaultFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The usual save: a new file beside the target, renamed over it, so that a crash at any
// point leaves the old file or the whole new one. old is null for a file not there yet.
bool ReplaceByRename(const std::string& path, const SaveTarget& target, const struct stat* old, std::string_view bytes,
                     FileWriter& writer, std::string* error) {
  std::string temp;
  Fd fd(CreateTemporary(target, &temp));
  if (fd.get() < 0) {
    *error = WriteError(path, Reason(errno));
    return false;
  }
  auto fail = [&](int err) {
    ::unlinkat(target.folder.get(), temp.c_str(), 0);
    *error = WriteError(path, Reason(err));
    return false;
  };
  mode_t mode = DefaultFileMode();
  if (old) {
    // Only root may give a file to another user, and a user may only pick a group of their
    // own; what cannot be kept stays the writer's, as for any file they create. The mode is
    // set afterwards because a change of owner clears the set-ID bits.
    if (::fchown(fd.get(), old->st_uid, old->st_gid) != 0 &&
        ::fchown(fd.get(), static_cast<uid_t>(-1), old->st_gid) != 0) {
      // Neither owner nor group could be kept: the file is the writer's, as a new one would be.
    }
    mode = old->st_mode & 07777;
  }
  if (::fchmod(fd.get(), mode) != 0) return fail(errno);
  if (!WriteAll(writer, fd.get(), bytes)) return fail(errno);
  if (::fsync(fd.get()) != 0) return fail(errno);
  if (fd.Close() != 0) return fail(errno);
  if (::renameat(target.folder.get(), temp.c_str(), target.folder.get(), target.name.c_str()) != 0) {
    return fail(errno);
  }
  // Make the rename itself durable.
  ::fsync(target.folder.get());
  return true;
}

// A file with more than one name is written where it is. A rename would give this name a
// new file and leave every other name holding the old contents: the link the user made
// would be split without a word. Writing in place gives up the rename's all-or-nothing, so
// the space is reserved before the first byte changes (a full disk fails with the file
// as it was), and a write that fails half-way puts the old bytes back. Only a crash during
// the write itself can leave a mixture, a window of one small write; editors make the same
// trade for linked files.
bool RewriteInPlace(const std::string& path, const SaveTarget& target, std::string_view bytes, FileWriter& writer,
                    std::string* error) {
  Fd fd(::openat(target.folder.get(), target.name.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
  if (fd.get() < 0) {
    *error = WriteError(path, Reason(errno));
    return false;
  }
  struct stat info;
  if (::fstat(fd.get(), &info) != 0) {
    *error = WriteError(path, Reason(errno));
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = WriteError(path, NotRegular(info.st_mode) + "; it was left as it is");
    return false;
  }
  std::string old;
  if (!ReadUpTo(fd.get(), kMaxRewriteBytes, &old)) {
    *error = WriteError(path, Reason(errno));
    return false;
  }
  if (old.size() > kMaxRewriteBytes) {
    *error = WriteError(path, "it has several names (hard links) and is too large to rewrite safely");
    return false;
  }
  if (bytes.size() > old.size()) {
    // posix_fallocate returns its error rather than setting errno. A file system that cannot
    // reserve space still takes the write; it only loses the early warning.
    int err = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(bytes.size()));
    if (err != 0 && err != EOPNOTSUPP && err != EINVAL) {
      *error = WriteError(path, Reason(err));
      return false;
    }
  }
  auto writeAt0 = [&](std::string_view data) {
    return ::lseek(fd.get(), 0, SEEK_SET) == 0 && WriteAll(writer, fd.get(), data) &&
           ::ftruncate(fd.get(), static_cast<off_t>(data.size())) == 0 && ::fsync(fd.get()) == 0;
  };
  if (!writeAt0(bytes)) {
    int err = errno;
    (void)writeAt0(old);
    *error = WriteError(path, Reason(err));
    return false;
  }
  if (fd.Close() != 0) {
    *error = WriteError(path, Reason(errno));
    return false;
  }
  return true;
}

// Replaces the file a save resolved to: in place when it has several names, else by rename.
bool WriteToTarget(const std::string& path, const SaveTarget& target, std::string_view bytes, FileWriter& out,
                   std::string* error) {
  struct stat info;
  const bool exists = ::fstatat(target.folder.get(), target.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
  if (!exists && errno != ENOENT) {
    *error = WriteError(path, Reason(errno));
    return false;
  }
  if (exists && S_ISLNK(info.st_mode)) {
    // A link that took the file's place since it was resolved: the rename replaces the link
    // itself, and the file it names is left alone.
    return ReplaceByRename(path, target, nullptr, bytes, out, error);
  }
  if (exists && !S_ISREG(info.st_mode)) {
    *error = WriteError(path, NotRegular(info.st_mode) + "; it was left as it is");
    return false;
  }
  if (exists && info.st_nlink > 1) return RewriteInPlace(path, target, bytes, out, error);
  return ReplaceByRename(path, target, exists ? &info : nullptr, bytes, out, error);
}

}  // namespace

ReadStatus ReadRegularFile(const std::string& path, size_t maxBytes, std::string* bytes, std::string* error,
                           bool* truncated) {
  // Looking before opening keeps a FIFO from blocking the open and a device (a serial port
  // raises its modem lines) from seeing one at all.
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadStatus::Missing;
    *error = ReadError(path, Reason(errno));
    return ReadStatus::Failed;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = ReadError(path, NotRegular(info.st_mode));
    return ReadStatus::Failed;
  }
  // Something else may take the path's place in between: O_NONBLOCK keeps that open from
  // waiting, and the descriptor is what is checked and read.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadStatus::Missing;
    *error = ReadError(path, Reason(errno));
    return ReadStatus::Failed;
  }
  if (::fstat(fd.get(), &info) != 0) {
    *error = ReadError(path, Reason(errno));
    return ReadStatus::Failed;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = ReadError(path, NotRegular(info.st_mode));
    return ReadStatus::Failed;
  }
  std::string data;
  if (!ReadUpTo(fd.get(), maxBytes, &data)) {
    *error = ReadError(path, Reason(errno));
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
    const ssize_t n = ::write(file, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

namespace {
// The folder and name a save writes to, its links followed; false with the reason otherwise.
bool ResolveTarget(const std::string& path, SaveTarget* target, std::string* error) {
  const int err = path.empty() ? ENOENT : FollowLinks(path, target);
  if (err != 0) *error = WriteError(path, Reason(err));
  return err == 0;
}
}  // namespace

bool UpdateFileAtomically(const std::string& path, const FileUpdate& update, std::string* error, FileWriter* writer,
                          size_t maxBytes) {
  FileWriter systemWriter;
  FileWriter& out = writer ? *writer : systemWriter;
  SaveTarget target;
  if (!ResolveTarget(path, &target, error)) return false;
  // The old contents are read from the very file the save then replaces: whatever takes the
  // name's place in between (a link to another file) is replaced itself, never followed.
  std::string old;
  struct stat info;
  // Looked at before it is opened, so that a device never sees an open.
  if (::fstatat(target.folder.get(), target.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!S_ISREG(info.st_mode)) {
      *error = WriteError(path, NotRegular(info.st_mode) + "; it was left as it is");
      return false;
    }
    Fd fd(
        ::openat(target.folder.get(), target.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
      *error = ReadError(path, errno == ELOOP ? NotRegular(S_IFLNK) : Reason(errno));
      return false;
    }
    if (!S_ISREG(info.st_mode)) {
      *error = WriteError(path, NotRegular(info.st_mode) + "; it was left as it is");
      return false;
    }
    if (!ReadUpTo(fd.get(), maxBytes, &old)) {
      *error = ReadError(path, Reason(errno));
      return false;
    }
    if (old.size() > maxBytes) {
      *error = ReadError(path, "the file is too large for a configuration file");
      return false;
    }
  } else if (errno != ENOENT) {
    *error = ReadError(path, Reason(errno));
    return false;
  }
  std::string bytes;
  if (!update(old, &bytes, error)) return false;
  return WriteToTarget(path, target, bytes, out, error);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error, FileWriter* writer) {
  FileWriter systemWriter;
  FileWriter& out = writer ? *writer : systemWriter;
  SaveTarget target;
  if (!ResolveTarget(path, &target, error)) return false;
  return WriteToTarget(path, target, bytes, out, error);
}

}  // namespace korvane::platform
