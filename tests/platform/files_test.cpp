// Writing a configuration file never leaves a half-written or lost file behind.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/failing_writer.h"

namespace korvane::platform {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("korvane_file_io_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  static std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  size_t EntriesInDir() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }
  static struct stat Lstat(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
  }

  fs::path dir;
};

TEST_F(FileIoTest, FailedWritesNameTheFileAndTheReasonAndKeepTheOldFile) {
  const fs::path existing = dir / "bench.kvini";
  Put(existing, "[Freqs]\nReference=10.000\n");
  fs::create_directory(dir / "folder.kvini");
  struct Case {
    const char* what;
    std::string path;
    int fault;
    const char* reason;
  };
  const Case cases[] = {
      {"folder that does not exist", (dir / "no" / "such.kvini").string(), 0, "No such file or directory"},
      {"folder in place of the file", (dir / "folder.kvini").string(), 0, "it is a directory, not a regular file"},
      {"disk full half-way", existing.string(), ENOSPC, "No space left on device"},
      {"write error half-way", existing.string(), EIO, "Input/output error"},
  };
  for (const Case& c : cases) {
    test::FailingWriter writer(c.fault);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(c.path, "[Freqs]\nReference=99.000\n", &error, &writer)) << c.what;
    EXPECT_NE(error.find("\"" + c.path + "\""), std::string::npos) << c.what << ": " << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
  }
  EXPECT_EQ(Contents(existing), "[Freqs]\nReference=10.000\n");
  EXPECT_TRUE(fs::is_directory(dir / "folder.kvini"));
  EXPECT_EQ(EntriesInDir(), 2u) << "a temporary file was left behind";
}

TEST_F(FileIoTest, ReplacesTheFileKeepingItsPermissionsAndFollowingLinks) {
  const fs::path target = dir / "real.kvini";
  Put(target, "old");
  ::chmod(target.c_str(), 0640);
  fs::create_symlink(target, dir / "link.kvini");
  std::string error;
  ASSERT_TRUE(WriteFileAtomically((dir / "link.kvini").string(), "new", &error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir / "link.kvini"));
  EXPECT_EQ(Contents(target), "new");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(EntriesInDir(), 2u);
}

TEST_F(FileIoTest, ReadingTellsAMissingFileFromOneThatCannotBeRead) {
  std::string bytes = "untouched";
  std::string error;
  EXPECT_EQ(ReadSmallFile((dir / "none.kvini").string(), &bytes, &error), ReadStatus::Missing);
  EXPECT_EQ(ReadSmallFile((dir / "none" / "x.kvini").string(), &bytes, &error), ReadStatus::Missing);
  EXPECT_EQ(ReadSmallFile(dir.string(), &bytes, &error), ReadStatus::Failed);
  EXPECT_NE(error.find(dir.string()), std::string::npos);

  Put(dir / "big.kvini", std::string(5000, 'x'));
  EXPECT_EQ(ReadSmallFile((dir / "big.kvini").string(), &bytes, &error, 4096), ReadStatus::Failed);
  EXPECT_NE(error.find("too large"), std::string::npos);
  EXPECT_EQ(bytes, "untouched");
  EXPECT_EQ(ReadSmallFile((dir / "big.kvini").string(), &bytes, &error), ReadStatus::Ok);
  EXPECT_EQ(bytes.size(), 5000u);
}

TEST_F(FileIoTest, WhatIsNotARegularFileIsNeitherReadNorReplaced) {
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink(dir / "fifo", dir / "fifo-link");
  int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string sockPath = (dir / "sock").string();
  ASSERT_LT(sockPath.size(), sizeof address.sun_path);
  std::copy(sockPath.begin(), sockPath.end(), address.sun_path);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  struct Case {
    std::string path;
    const char* kind;
    bool write;  // the system's own devices are only read: a broken refusal must not replace them
  };
  const Case cases[] = {
      {(dir / "fifo").string(), "a FIFO (named pipe)", true},
      {(dir / "fifo-link").string(), "a FIFO (named pipe)", true},
      {sockPath, "a socket", true},
      {"/dev/zero", "a character device", false},
      {"/dev/urandom", "a character device", false},
  };
  const size_t entries = EntriesInDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string reason = std::string("\"") + c.path + "\": it is " + c.kind + ", not a regular file";
    std::string bytes = "untouched";
    std::string error;
    // A FIFO without a writer would block this read for ever.
    EXPECT_EQ(ReadSmallFile(c.path, &bytes, &error), ReadStatus::Failed);
    EXPECT_EQ(error, "Could not read " + reason);
    EXPECT_EQ(bytes, "untouched");
    if (!c.write) continue;
    const struct stat before = Lstat(c.path);
    EXPECT_FALSE(WriteFileAtomically(c.path, "[Freqs]\n", &error));
    EXPECT_EQ(error, "Could not write " + reason + "; it was left as it is");
    const struct stat after = Lstat(c.path);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
  }
  EXPECT_EQ(EntriesInDir(), entries) << "a temporary file was left behind";
  ::close(sock);
}

TEST_F(FileIoTest, SymbolicLinksAreFollowedToTheFileTheyName) {
  Put(dir / "real.kvini", "old");
  fs::create_symlink("real.kvini", dir / "relative.kvini");
  fs::create_symlink(dir / "relative.kvini", dir / "chain.kvini");
  fs::create_symlink("made.kvini", dir / "dangling.kvini");
  fs::create_symlink(dir / "no" / "such.kvini", dir / "nowhere.kvini");
  fs::create_symlink("loop-b.kvini", dir / "loop-a.kvini");
  fs::create_symlink("loop-a.kvini", dir / "loop-b.kvini");
  struct Case {
    const char* link;
    const char* written;  // the file that must then hold the new bytes; null when the save fails
    const char* reason;
  };
  const Case cases[] = {
      {"relative.kvini", "real.kvini", nullptr},
      {"chain.kvini", "real.kvini", nullptr},
      {"dangling.kvini", "made.kvini", nullptr},  // the link's target is created
      {"nowhere.kvini", nullptr, "No such file or directory"},
      {"loop-a.kvini", nullptr, "Too many levels of symbolic links"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link);
    std::string error;
    const std::string bytes = std::string("new via ") + c.link;
    EXPECT_EQ(WriteFileAtomically((dir / c.link).string(), bytes, &error), c.written != nullptr) << error;
    EXPECT_TRUE(fs::is_symlink(dir / c.link)) << "the link itself was replaced";
    if (c.written) {
      EXPECT_EQ(Contents(dir / c.written), bytes);
    } else {
      EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
  }
  EXPECT_FALSE(fs::exists(dir / "no"));
}

// The temporary name was the file's name and seven more bytes, so a name of 248 bytes or more
// could not be saved at all.
TEST_F(FileIoTest, NamesUpToTheSystemsLimitAreSaved) {
  const std::string umlauts = "\xC3\xA4\xC3\xB6";
  for (const std::string& name : {std::string(248, 'n'), std::string(255, 'n'), std::string(251, 'n') + umlauts}) {
    SCOPED_TRACE(name.size());
    for (const char* bytes : {"first", "second"}) {  // a new file, then a replaced one
      std::string error;
      EXPECT_TRUE(WriteFileAtomically((dir / name).string(), bytes, &error)) << error;
      EXPECT_EQ(Contents(dir / name), bytes);
    }
  }
  EXPECT_EQ(EntriesInDir(), 3u) << "a temporary file was left behind";
}

// A save resolved the name again when it wrote: a file swapped for a symbolic link after it
// had been read had the link's target replaced instead.
TEST_F(FileIoTest, ANameSwappedForALinkDuringAnUpdateDoesNotRedirectTheWrite) {
  Put(dir / "victim", "not yours");
  Put(dir / "config.kvini", "old");
  std::string error;
  const bool saved = UpdateFileAtomically((dir / "config.kvini").string(),
                                          [&](const std::string& old, std::string* bytes, std::string*) {
                                            fs::remove(dir / "config.kvini");
                                            fs::create_symlink("victim", dir / "config.kvini");
                                            *bytes = old + " and new";
                                            return true;
                                          },
                                          &error);
  EXPECT_TRUE(saved) << error;
  EXPECT_EQ(Contents(dir / "victim"), "not yours");
  EXPECT_FALSE(fs::is_symlink(dir / "config.kvini"));
  EXPECT_EQ(Contents(dir / "config.kvini"), "old and new");
}

TEST_F(FileIoTest, AHardLinkedFileIsRewrittenInPlaceAndKeptWholeOnFailure) {
  const fs::path first = dir / "bench.kvini";
  const fs::path second = dir / "shared.kvini";
  struct Case {
    const char* what;
    std::string bytes;
    int fault;
  };
  const Case cases[] = {
      {"longer", "[Freqs]\nReference=10.000\nExtReference=1\n", 0},
      {"shorter", "[Freqs]\n", 0},
      {"write error half-way", "[Freqs]\nReference=25.000\nExtReference=1\n", EIO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(first);
    fs::remove(second);
    const std::string old = "[Freqs]\nReference=99.000\n";
    Put(first, old);
    ::chmod(first.c_str(), 0604);
    fs::create_hard_link(first, second);
    const ino_t inode = Lstat(first).st_ino;
    test::FailingWriter writer(c.fault);
    std::string error;
    EXPECT_EQ(WriteFileAtomically(first.string(), c.bytes, &error, &writer), c.fault == 0) << error;
    const std::string expected = c.fault == 0 ? c.bytes : old;
    EXPECT_EQ(Contents(first), expected);
    EXPECT_EQ(Contents(second), expected) << "the link was split";
    const struct stat after = Lstat(first);
    EXPECT_EQ(after.st_ino, inode);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(EntriesInDir(), 2u);
  }
}

TEST_F(FileIoTest, AsRootADeviceNodeIsLeftAlone) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can make a device node, and only root could replace one";
  const fs::path node = dir / "null.kvini";
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    GTEST_SKIP() << "mknod is not permitted here: " << std::strerror(errno);
  }
  fs::create_symlink(node, dir / "link.kvini");
  for (const char* name : {"null.kvini", "link.kvini"}) {
    SCOPED_TRACE(name);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically((dir / name).string(), "[Freqs]\n", &error));
    EXPECT_NE(error.find("it is a character device, not a regular file"), std::string::npos) << error;
    const struct stat after = Lstat(node);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, makedev(1, 3));
  }
  EXPECT_EQ(EntriesInDir(), 2u);
}

TEST_F(FileIoTest, AsRootAnotherUsersFileKeepsItsOwnerAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can write a file of another user's and give it back";
  // "nobody" on Debian; no account needs to exist for the numbers.
  constexpr uid_t kUser = 65534;
  constexpr gid_t kGroup = 65534;
  const fs::path file = dir / "theirs.kvini";
  Put(file, "[Freqs]\nReference=10.000\n");
  ASSERT_EQ(::chown(file.c_str(), kUser, kGroup), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(file.string(), "[Freqs]\nReference=25.000\n", &error)) << error;
  const struct stat after = Lstat(file);
  EXPECT_EQ(after.st_uid, kUser);
  EXPECT_EQ(after.st_gid, kGroup);
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  EXPECT_EQ(Contents(file), "[Freqs]\nReference=25.000\n");
}

}  // namespace
}  // namespace korvane::platform
