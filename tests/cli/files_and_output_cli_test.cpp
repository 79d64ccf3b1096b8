// korvane-cli and the files it is given: what is not a regular file is refused and left as
// it is, and output that cannot be written is a failure.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

class FilesAndOutputCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("korvane_files_cli_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  static mode_t FileType(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & S_IFMT;
  }

  fs::path dir;
};

// A FIFO blocked the read for ever and a device was written over or streamed into a board;
// each is now refused before the board hears a byte of it.
TEST_F(FilesAndOutputCli, WhatIsNotARegularFileIsRefusedAndLeftAsItIs) {
  const std::string fifo = (dir / "config.kvini").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  VirtualBoard running;
  VirtualBoard bootloader({.mode = BoardMode::Bootloader});
  struct Case {
    std::vector<std::string> args;
    std::string target;   // must keep its file type
    const char* err;      // in stderr
    VirtualBoard* quiet;  // a board that must have been sent nothing
  };
  const Case cases[] = {
      // Run as root, this turned /dev/null into a regular file.
      {{"read", "--port", "Demo", "--ini", "/dev/null"},
       "/dev/null",
       "it is a character device, not a regular file",
       nullptr},
      {{"read", "--port", "Demo", "--ini", fifo}, fifo, "it is a FIFO (named pipe), not a regular file", nullptr},
      {{"write", "--port", running.path(), "--chip", "max2871", fifo}, fifo, "it is a FIFO", &running},
      {{"write", "--port", running.path(), "--chip", "max2871", "/dev/zero"},
       "/dev/zero",
       "it is a character device",
       &running},
      {{"flash", "--port", bootloader.path(), fifo}, fifo, "is not a valid firmware image!", &bootloader},
      {{"flash", "--port", bootloader.path(), "/dev/urandom"},
       "/dev/urandom",
       "is not a valid firmware image!",
       &bootloader},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.target);
    const mode_t type = FileType(c.target);
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(FileType(c.target), type);
    if (c.quiet) {
      EXPECT_TRUE(c.quiet->Log().empty());
    }
  }
}

// read --ini appended INI text to whatever file it was given: a firmware image that flash
// still took, a picture, a UTF-16 configuration. Only an empty file or one with Korvane
// settings is written; anything else keeps every byte.
TEST_F(FilesAndOutputCli, ASaveWritesOnlyIntoAnEmptyFileOrAConfiguration) {
  auto contents = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  std::string image(20480, '\xFF');
  image.replace(0, 8, std::string("\x00\x20\x00\x20\xC1\x00\x00\x08", 8));
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[Freqs]\r\nReference=10.000\r\n")) utf16 += std::string{c, '\0'};
  struct Case {
    const char* name;
    std::string bytes;
    bool saved;
  };
  const Case cases[] = {
      {"typo.img", image, false},
      {"picture.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), false},
      {"utf16.kvini", utf16, false},
      {"other.ini", "[Window]\nWidth=640\n", false},
      {"cr_only.kvini", "[Freqs]\rReference=10.000\r", false},
      {"empty.kvini", "", true},
      {"blank.kvini", "\r\n\n", true},
      {"mine.kvini", "; mine\n[Freqs]\nReference=10.000\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / c.name;
    std::ofstream(path, std::ios::binary) << c.bytes;
    const CliResult r = RunCli({"read", "--port", "Demo", "--ini", path.string()});
    if (c.saved) {
      EXPECT_EQ(r.exitCode, 0) << r.err;
      EXPECT_NE(contents(path).find("[SigGen]"), std::string::npos);
    } else {
      EXPECT_EQ(r.exitCode, 1) << r.err;
      EXPECT_NE(r.err.find("\"" + path.string() + "\": it holds no Korvane settings"), std::string::npos) << r.err;
      EXPECT_EQ(contents(path), c.bytes);
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), std::size(cases)) << "a temporary file was left behind";
}

TEST_F(FilesAndOutputCli, OutputThatCannotBeWrittenIsAFailure) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  };
  const Case cases[] = {
      {{"solve", "1296"}, 1},
      {{"solve", "1296", "--json"}, 1},
      {{"decode", "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;"}, 1},
      {{"read", "--port", "Demo", "--json"}, 1},
      {{"--help"}, 1},
      {{"solve", "1296", "--help"}, 1},
      {{"solve", "abc"}, 2},  // a usage error stays one; it printed nothing to stdout
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    const CliResult r = RunCli(c.args, "/dev/full");
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    const bool reported =
        r.err.find("korvane-cli: cannot write output: No space left on device\n") != std::string::npos;
    EXPECT_EQ(reported, c.exitCode == 1) << r.err;
  }
}

}  // namespace
}  // namespace korvane::test
