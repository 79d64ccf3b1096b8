#include "firmware/firmware_image.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "support/panel_test.h"

namespace korvane::firmware {
namespace {

using korvane::testing::PatternImage;
using korvane::testing::WriteTempFile;

TEST(FirmwareImage, ReadsAtMostTheApplicationArea) {
  struct Case {
    size_t fileSize;
    size_t expected;
    bool valid;
  };
  const Case cases[] = {
      {0, 0, false},        {20479, 20479, false}, {20480, 20480, true},
      {20481, 20481, true}, {24576, 24576, true},  {30000, 24576, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileSize);
    std::vector<uint8_t> bytes = PatternImage(c.fileSize);
    std::vector<uint8_t> read = ReadImageFile(WriteTempFile("image.img", bytes));
    ASSERT_EQ(read.size(), c.expected);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), bytes.begin()));
    EXPECT_EQ(IsValidImageSize(read.size()), c.valid);
  }
}

#ifndef _WIN32
// A FIFO would block the read for ever and a device would stream an endless image into the
// board: only a regular file is an image, and the reason says so.
TEST(FirmwareImage, WhatIsNotARegularFileReadsAsEmptyWithTheReason) {
  std::string file = WriteTempFile("present.img", PatternImage(20480));
  const std::string fifo = file + ".fifo";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {file + ".missing", "No such file or directory"},
      {std::filesystem::path(file).parent_path().string(), "it is a directory, not a regular file"},
      {fifo, "it is a FIFO (named pipe), not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string error;
    EXPECT_TRUE(ReadImageFile(c.path, &error).empty());
    EXPECT_EQ(error, "Could not read \"" + c.path + "\": " + c.reason);
  }
  ::unlink(fifo.c_str());
}
#endif

TEST(FirmwareImage, HalfwordsGoOutHighByteFirst) {
  const std::vector<uint8_t> image = {0x00, 0x10, 0x00, 0x20, 0xAB, 0xCD, 0x7E};
  struct Case {
    size_t pos;
    const char* command;
  };
  // The last halfword of an odd image has no high byte in the file: it is written as erased
  // flash, never as whatever lies past the data.
  const Case cases[] = {{0, "W 1000;"}, {2, "W 2000;"}, {4, "W CDAB;"}, {6, "W FF7E;"}};
  for (const Case& c : cases) EXPECT_EQ(WriteCommand(image, c.pos), c.command) << c.pos;
  EXPECT_EQ(HalfwordCount(image.size()), 4u);
  EXPECT_EQ(HalfwordCount(24576), 12288u);
}

TEST(FirmwareImage, ErasePagesAreTwoUpperCaseHexDigits) {
  EXPECT_EQ(EraseCommand(8), "E 08;");
  EXPECT_EQ(EraseCommand(10), "E 0A;");
  EXPECT_EQ(EraseCommand(31), "E 1F;");
}

}  // namespace
}  // namespace korvane::firmware
