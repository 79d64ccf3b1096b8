// korvane-cli flash and bootloader, run as a user runs them, against Demo and the virtual board.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

class FirmwareCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("korvane-fwcli-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string WriteImage(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static std::vector<uint8_t> Image(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 37 + i / 256) & 0xFF);
    return bytes;
  }

  std::filesystem::path dir_;
};

TEST_F(FirmwareCli, FlashWritesTheImageIntoTheBootloader) {
  const std::vector<uint8_t> image = Image(20481);
  const std::string path = WriteImage("fw.img", image);
  for (bool connected : {false, true}) {
    SCOPED_TRACE(connected);
    VirtualBoard board({.mode = connected ? BoardMode::Firmware : BoardMode::Bootloader});
    std::vector<std::string> args = {"flash", "--port", board.path(), path};
    if (connected) args.push_back("--connected");
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Firmware was updated. Please reconnect the board.\n");
    // Without a terminal the progress is one line per phase.
    EXPECT_EQ(r.err, "Entering Bootloader...\nErasing Flash...\nFlashing Firmware...\n");
    std::vector<uint8_t> expected(kFlashSize, 0xFF);
    std::copy(image.begin(), image.end(), expected.begin());
    EXPECT_TRUE(board.Flash() == expected);
    EXPECT_EQ(board.Count("B;"), connected ? 1 : 0);
  }
}

TEST_F(FirmwareCli, FailuresExitWithOneAndSayWhy) {
  const std::string good = WriteImage("good.img", Image(24576));
  const std::string shortImage = WriteImage("short.img", Image(20479));
  VirtualBoard running;  // firmware mode: no bootloader answers
  VirtualBoard oldBoard({.hwTag = "v2."});
  VirtualBoard unplugged({.mode = BoardMode::Bootloader});
  unplugged.HangUpAfter("W", 0);
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string err;  // contained in stderr
  };
  const Case cases[] = {
      {{"flash", "--port", "Demo", good}, 1, "Cannot erase page 8!\n"},
      {{"flash", "--port", "Demo", shortImage}, 1, "File: " + shortImage + " is not a valid firmware image!\n"},
      {{"flash", "--port", running.path(), good}, 1, "Cannot connect to board bootloader!\n"},
      {{"flash", "--port", oldBoard.path(), good, "--connected", "--chip", "max2871"}, 1, "cannot be updated"},
      {{"flash", good}, 2, "--port is required"},
      {{"flash", "--port", "Demo"}, 2, "missing argument"},
      {{"bootloader", "--port", running.path()}, 1, "Cannot connect to board bootloader!\n"},
      {{"flash", "--port", unplugged.path(), good},
       1,
       "Connection with device lost!\nThe board waits in its bootloader with a partial image; run `korvane-cli flash` "
       "(without --connected) to finish the update.\n"},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << c.args.back() << ": " << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(oldBoard.Count("B;"), 0);
}

TEST_F(FirmwareCli, BootloaderReportsTheVersion) {
  VirtualBoard board;
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"bootloader", "--port", "Demo"}, "Bootloader v3.40\nPlease reconnect the board.\n"},
      {{"bootloader", "--port", board.path(), "--connected"}, "Bootloader v3.2\nPlease reconnect the board.\n"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
  EXPECT_EQ(board.Mode(), BoardMode::Bootloader);
}

TEST_F(FirmwareCli, AnInterruptedFlashEndsItsLineAndSaysWhereTheBoardIs) {
  const std::string path = WriteImage("fw.img", Image(20480));
  const struct {
    int signal;
    int exitCode;
  } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
  for (const auto& c : cases) {
    VirtualBoard board({.mode = BoardMode::Bootloader});
    board.SetByteDelayMs(1);  // slow enough to be caught in the middle
    const CliResult r = RunProgram(CliPath(), {"flash", "--port", board.path(), path}, "", 400, c.signal);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find("\ninterrupted: the board is in its bootloader; run `korvane-cli flash` again without "
                         "--connected to finish.\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_GT(board.Count("E 08;"), 0);
  }
}

}  // namespace
}  // namespace korvane::test
