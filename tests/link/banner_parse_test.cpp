#include "link/banner_parse.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::link {
namespace {

BoardIdentity Previous() {
  BoardIdentity id;
  id.hwVersion = 1;
  id.fwMajor = 7;
  id.fwMinor = 8;
  id.fwDateCode = 0xAABBCCDD;
  id.serialWords = {0x1, 0x2, 0x3};
  id.sSuffix = 0;
  return id;
}

struct BannerCase {
  const char* name;
  std::string banner;
  BoardIdentity expected;
};

BoardIdentity With(int hw, int sSuffix, int major, int minor, uint32_t date, uint32_t s0, uint32_t s1, uint32_t s2) {
  BoardIdentity id;
  id.hwVersion = hw;
  id.sSuffix = sSuffix;
  id.fwMajor = major;
  id.fwMinor = minor;
  id.fwDateCode = date;
  id.serialWords = {s0, s1, s2};
  return id;
}

TEST(BannerParse, VersionTagsAndIdentityFields) {
  const std::string full = "1.5 from 16052019.\nS/N 0123456789ABCDEF01234567\nReady\n>";
  const BannerCase cases[] = {
      {"v3 example", "ADF4350 Controller v3." + full, With(3, 0, 1, 5, 0x16052019, 0x01234567, 0x89ABCDEF, 0x01234567)},
      {"v3s", "ADF4350 Controller v3s." + full, With(3, 1, 1, 5, 0x16052019, 0x01234567, 0x89ABCDEF, 0x01234567)},
      {"v4", "ADF4350 Controller v4." + full, With(4, 0, 1, 5, 0x16052019, 0x01234567, 0x89ABCDEF, 0x01234567)},
      {"v4s", "ADF4350 Controller v4s." + full, With(4, 1, 1, 5, 0x16052019, 0x01234567, 0x89ABCDEF, 0x01234567)},
      {"v2 parses nothing", "ADF4350 Controller v2." + full, With(2, 0, 7, 8, 0xAABBCCDD, 1, 2, 3)},
      {"no tag", "ADF4350 Controller 1.5 from 1.\nReady\n>", With(1, 0, 7, 8, 0xAABBCCDD, 1, 2, 3)},
      // The tags are tried in a fixed order, not by position: "v2." wins over an earlier "v4.".
      {"order beats position", "v4.9.9 from 1. v2.", With(2, 0, 7, 8, 0xAABBCCDD, 1, 2, 3)},
      {"first occurrence parsed", "v3.2.3 from 4. v3.9", With(3, 0, 2, 3, 4, 1, 2, 3)},
      {"stops after minor", "v3.12.34\nReady\n>", With(3, 0, 12, 34, 0xAABBCCDD, 1, 2, 3)},
      {"stops after major", "v3.12-", With(3, 0, 12, 8, 0xAABBCCDD, 1, 2, 3)},
      {"garbage after tag", "v3.x", With(3, 0, 7, 8, 0xAABBCCDD, 1, 2, 3)},
      {"no line feed before S/N", "v3.1.5 from 16052019.S/N 0123456789ABCDEF01234567",
       With(3, 0, 1, 5, 0x16052019, 0x01234567, 0x89ABCDEF, 0x01234567)},
      {"blanks where the pattern has white space", "v3. 1.5   from   ABC.\r\n  S/N   00000001 2 3",
       With(3, 0, 1, 5, 0xABC, 1, 2, 3)},
      {"serial cut short", "v3.1.5 from 1.\nS/N 0000000A0000000B", With(3, 0, 1, 5, 1, 0xA, 0xB, 3)},
      {"lower-case hex", "v3.1.5 from abcdef01.\nS/N deadbeef", With(3, 0, 1, 5, 0xABCDEF01, 0xDEADBEEF, 2, 3)},
      {"date without its point", "v3.1.5 from 16052019\nS/N 1", With(3, 0, 1, 5, 0x16052019, 1, 2, 3)},
      {"signed major", "v3.-4.5", With(3, 0, -4, 5, 0xAABBCCDD, 1, 2, 3)},
      {"huge numbers saturate", "v3.99999999999.1 from 123456789ABC.", With(3, 0, 2147483647, 1, 0x56789ABC, 1, 2, 3)},
  };
  for (const BannerCase& c : cases) {
    BoardIdentity id = Previous();
    ApplyBanner(c.banner, id);
    EXPECT_EQ(id.hwVersion, c.expected.hwVersion) << c.name;
    EXPECT_EQ(id.sSuffix, c.expected.sSuffix) << c.name;
    EXPECT_EQ(id.fwMajor, c.expected.fwMajor) << c.name;
    EXPECT_EQ(id.fwMinor, c.expected.fwMinor) << c.name;
    EXPECT_EQ(id.fwDateCode, c.expected.fwDateCode) << c.name;
    EXPECT_EQ(id.serialWords, c.expected.serialWords) << c.name;
  }
}

// The version is kept as the board writes it, for the window to show it so.
TEST(BannerParse, VersionTextIsTheTagWithTheNumbersAsWritten) {
  const struct {
    const char* banner;
    const char* text;
  } cases[] = {
      {"ADF4350 Controller v3s.3.07 from 16052019.\nReady\n>", "v3s.3.07"},
      {"v3.12-", "v3.12"},
      {"v3.x", ""},
      {"v2.3.07", ""},
      {"v3.0000000000000000000000000000000001", "v3.000000000000000000000"},
  };
  for (const auto& c : cases) {
    BoardIdentity id;
    ApplyBanner(c.banner, id);
    EXPECT_EQ(id.versionText, c.text) << c.banner;
  }
}

TEST(BannerParse, PromptEndsTheBanner) {
  const struct {
    const char* text;
    bool complete;
  } cases[] = {
      {"Ready\n>", true},
      {"ADF4350 Controller\nReady\n>", true},
      {"Ready\n", false},
      {"Ready>", false},
      {"Ready\n>more", false},
      {"", false},
      {">", false},
      {"ready\n>", false},
      {"xReady\n>", true},
  };
  for (const auto& c : cases) EXPECT_EQ(BannerComplete(c.text), c.complete) << c.text;
}

// Only a line that starts with the board's name names a board; noise that merely contains it
// (and would otherwise read as a first-hardware board) does not.
TEST(BannerParse, OnlyARealBannerLineCounts) {
  const struct {
    std::string banner;
    size_t at;
  } cases[] = {
      {"ADF4350 Controller v4s.3.5 from 16052019.\nReady\n>", 0},
      {"V\r\n>ADF4350 Controller v3.1.5\r\n", 4},
      {"Ready\n>  ADF4350 Controller\nReady\n>", 9},
      {"OK;ADF4350 Controller 1.5 from 1.", 3},
      {"\x93\x12"
       "ADF4350 Controller v3.1.5",
       std::string::npos},
      {"ADF4350 Controllerxx", std::string::npos},
      {"ADF4350 Controller \xff\xfe\x01", std::string::npos},
      {"noise ADF4350 Controller\nADF4350 Controller v4.3.5", 25},
  };
  for (const auto& c : cases) EXPECT_EQ(FindBannerLine(c.banner, kFirmwareBanner), c.at) << c.banner;
}

}  // namespace
}  // namespace korvane::link
