// The configuration file format: what hand-written and Windows-era files read as, and what a
// key-by-key update leaves of a file.
#include "config/profile_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/text_encoding.h"
#include "config/settings_file.h"
#include "support/failing_writer.h"

namespace korvane::config {
namespace {

TEST(ProfileFileRead, HandWrittenAndWindowsFilesReadAsMeant) {
  const std::string file =
      "; written by hand\r\n"
      "# another comment\r\n"
      "stray=before any section\r\n"
      "[ sigGEN ]   trailing words\r\n"
      "  FREQ   =   432.100  \r\n"
      "pwr=3\r\n"
      "[Freqs]\r\n"
      "Reference=\"10.000\"\r\n"
      "Text=\"  two blanks kept  \"\r\n"
      "Half=\"open quote\r\n"
      "Empty=\r\n"
      "no equals sign here\r\n"
      ";Freq1=999\r\n"
      "Freq1=1152.000\r\n"
      "freq1=2000.000\r\n"
      "Name with blanks = value\r\n"
      "[SigGen]\r\n"
      "Band=1\r\n"
      "[Beacon]\r\n"
      "Text=Caf\xE9 de F\xFC\xDF";  // Latin-1, no final line end
  ProfileFile profile = ProfileFile::Parse(file);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"SigGen", "Freq", "432.100"},
      {"siggen", "PWR", "3"},
      {"Freqs", "Reference", "10.000"},
      {"Freqs", "Text", "  two blanks kept  "},
      {"Freqs", "Half", "\"open quote"},
      {"Freqs", "Empty", ""},
      {"Freqs", "Freq1", "1152.000"},  // the commented line and the later duplicate do not count
      {"Freqs", "name with blanks", "value"},
      {"Freqs", "stray", std::nullopt},
      {"SigGen", "Band", std::nullopt},  // only the first section of a name counts
      {"Beacon", "Text", "Caf\xC3\xA9 de F\xC3\xBC\xC3\x9F"},
      {"Missing", "Freq", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(profile.Find(c.section, c.key), c.value) << c.section << "/" << c.key;
  }
}

TEST(ProfileFileRead, TextsAreCutTo199CharactersAndDefaultOnlyWhenMissing) {
  std::string longValue(250, 'x');
  longValue.replace(197, 4, "\xC3\xA9\xC3\xA9");  // characters 198 and 199 are two-byte
  ProfileFile profile = ProfileFile::Parse("[B]\nText=" + longValue + "\nEmpty=\nExt=10\n");

  std::string text = profile.ReadString("B", "Text", "default");
  EXPECT_EQ(text, longValue.substr(0, 201));  // 197 one-byte and two two-byte characters
  EXPECT_TRUE(text::IsValidUtf8(text));
  EXPECT_EQ(profile.ReadString("B", "Empty", "default"), "");
  EXPECT_EQ(profile.ReadString("B", "Nothing", "default"), "default");
  EXPECT_EQ(profile.ReadString("B", "Ext", "0", 2), "1");
}

TEST(ProfileFileRead, IntegersComeFromTheLeadingNumber) {
  struct Case {
    const char* value;  // nullptr: key missing
    int expected;
  };
  const Case cases[] = {
      {"3", 3},
      {"  2  ", 2},
      {"10", 10},
      {"1abc", 1},
      {"+4", 4},
      {"-1", -1},
      {"abc", 0},
      {"yes", 0},
      {"", 7},
      {nullptr, 7},
      {"\"2\"", 2},
      {"0x10", 0},
      {"007", 7},
      {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
  };
  for (const Case& c : cases) {
    std::string file = "[S]\n";
    if (c.value) file += std::string("K=") + c.value + "\n";
    EXPECT_EQ(ProfileFile::Parse(file).ReadInt("S", "K", 7), c.expected) << (c.value ? c.value : "(missing)");
  }
}

TEST(ProfileFileWrite, UpdatesOneKeyAndLeavesEveryOtherLineAsItWas) {
  const std::string original =
      "; my bench settings\n"
      "[Other]\n"
      "keep = this  \n"
      "\n"
      "[ Freqs ]\n"
      "  Reference = 10.000\n"
      "# comment inside\n"
      "Freq1=100\n"
      "\n"
      "[Beacon]\n"
      "Text=hello";
  ProfileFile profile = ProfileFile::Parse(original);
  profile.WriteString("freqs", "REFERENCE", "25.000");  // existing key, other case
  profile.WriteString("Freqs", "Freq2", "200");         // new key in an existing section
  profile.WriteString("SigGen", "Freq", "144.000");     // new section
  profile.WriteString("Beacon", "Speed", "20.0");       // after a last line without line end
  EXPECT_EQ(profile.Serialize(),
            "; my bench settings\n"
            "[Other]\n"
            "keep = this  \n"
            "\n"
            "[ Freqs ]\n"
            "Reference=25.000\n"
            "# comment inside\n"
            "Freq1=100\n"
            "Freq2=200\n"
            "\n"
            "[Beacon]\n"
            "Text=hello\n"
            "Speed=20.0\n"
            "[SigGen]\n"
            "Freq=144.000\n");
}

TEST(ProfileFileWrite, KeepsCrLfLatin1AndByteOrderMark) {
  ProfileFile crlf = ProfileFile::Parse("[A]\r\nText=Gr\xFC\xDF\r\n");
  EXPECT_TRUE(crlf.UsesCrLf());
  crlf.WriteString("A", "Name", "M\xC3\xBCller");  // representable in Latin-1
  crlf.WriteString("A", "Sign", "\xE2\x82\xAC");   // the euro sign is not
  EXPECT_EQ(crlf.Serialize(), "[A]\r\nText=Gr\xFC\xDF\r\nName=M\xFCller\r\nSign=\xE2\x82\xAC\r\n");
  ProfileFile reread = ProfileFile::Parse(crlf.Serialize());
  EXPECT_EQ(reread.Find("A", "Text"), "Gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(reread.Find("A", "Name"), "M\xC3\xBCller");
  EXPECT_EQ(reread.Find("A", "Sign"), "\xE2\x82\xAC");

  ProfileFile bom = ProfileFile::Parse("\xEF\xBB\xBF[A]\nK=1\n");
  EXPECT_EQ(bom.Find("A", "K"), "1");
  bom.WriteString("A", "K", "2");
  EXPECT_EQ(bom.Serialize(), "\xEF\xBB\xBF[A]\nK=2\n");
}

TEST(ProfileFileWrite, EveryTextReadsBackAsWritten) {
  // Values that a plain "key=value" line would change on the way back: surrounding blanks,
  // enclosing quotes, and in a Latin-1 file a text whose Latin-1 bytes look like UTF-8.
  const std::string values[] = {
      "",
      " leading",
      "trailing ",
      "\"quoted\"",
      "\"",
      "a \"b\" c",
      "x=y=z",
      "; not a comment",
      "[not a section]",
      "tab\tinside",
      "\xC3\x83\xC2\xA9",  // "Ã©"
  };
  for (const char* start : {"", "[S]\nOld=\xE9\n"}) {
    ProfileFile profile = ProfileFile::Parse(start);
    for (size_t i = 0; i < std::size(values); ++i) profile.WriteString("S", "K" + std::to_string(i), values[i]);
    ProfileFile reread = ProfileFile::Parse(profile.Serialize());
    for (size_t i = 0; i < std::size(values); ++i) {
      EXPECT_EQ(reread.Find("S", "K" + std::to_string(i)), values[i]) << "start \"" << start << "\" value " << i;
    }
  }
}

TEST(ProfileFileWrite, LineBreaksInAValueCannotAddKeysOrSections) {
  ProfileFile profile;
  profile.WriteString("Beacon", "Text", "CQ\r\n[SigGen]\nFreq=9999");
  ProfileFile reread = ProfileFile::Parse(profile.Serialize());
  EXPECT_EQ(reread.Find("Beacon", "Text"), "CQ [SigGen] Freq=9999");
  EXPECT_EQ(reread.Find("SigGen", "Freq"), std::nullopt);
}

TEST(ProfileFileWrite, RefusesNamesThatCannotBeReadBack) {
  ProfileFile profile;
  for (const char* name : {"", " Text", "Te=xt", "[Text]", "Te\nxt", ";Text"}) {
    EXPECT_THROW(profile.WriteString("Beacon", name, "v"), std::invalid_argument) << name;
    EXPECT_THROW(profile.WriteString(name, "Text", "v"), std::invalid_argument) << name;
  }
  EXPECT_EQ(profile.Serialize(), "");
}

TEST(SettingsFileSave, ASaveThatFailsHalfWayKeepsTheFileItHadRead) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / "korvane_settings_save";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path file = dir / "keep.kvini";
  std::ofstream(file, std::ios::binary) << "[Freqs]\nReference=10.000\n";
  test::FailingWriter writer(ENOSPC);
  SaveFileError saveError;
  EXPECT_FALSE(SaveSettingsFile(file.string(), PanelSettings(), true, &saveError, &writer));
  EXPECT_EQ(saveError.kind, SaveFileError::Kind::System);
  const std::string& error = saveError.system;
  EXPECT_NE(error.find("\"" + file.string() + "\": No space left on device"), std::string::npos) << error;
  {
    // Closed before the folder goes: Windows removes no file that is still open.
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[Freqs]\nReference=10.000\n");
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1) << "a temporary file was left behind";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace korvane::config
