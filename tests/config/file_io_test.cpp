// Writing a configuration file never leaves a half-written or lost file behind.
#include "config/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

namespace korvane::config {
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
  void TearDown() override {
    SetWriteFaultForTesting(0);
    fs::remove_all(dir);
  }
  static std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  size_t EntriesInDir() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }

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
      {"folder in place of the file", (dir / "folder.kvini").string(), 0, "Is a directory"},
      {"disk full half-way", existing.string(), ENOSPC, "No space left on device"},
      {"write error half-way", existing.string(), EIO, "Input/output error"},
  };
  for (const Case& c : cases) {
    SetWriteFaultForTesting(c.fault);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(c.path, "[Freqs]\nReference=99.000\n", &error)) << c.what;
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

}  // namespace
}  // namespace korvane::config
