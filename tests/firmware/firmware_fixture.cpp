#include "firmware_fixture.h"

#include <unistd.h>

#include <fstream>

namespace korvane::testing {

std::vector<uint8_t> PatternImage(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    // Low byte: position within 256; high byte: which 512-byte block, shifted by the parity.
    bytes[i] = static_cast<uint8_t>(i % 2 == 0 ? (i / 2) & 0xFF : ((i / 512) * 7 + 0x31) & 0xFF);
  }
  return bytes;
}

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  namespace fs = std::filesystem;
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  fs::path dir = fs::temp_directory_path() / ("korvane-fw-" + std::to_string(::getpid()));
  std::string testName = info ? std::string(info->test_suite_name()) + "." + info->name() : "none";
  for (char& c : testName) {
    if (c == '/') c = '_';
  }
  dir /= testName;
  fs::create_directories(dir);
  fs::path path = dir / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

void PanelTest::SetUp() {
  surface.Attach(dlg);
  surface.boardSession = &session;
  dlg.OnInitDialog();
}

void PanelTest::TearDown() { session.Close(); }

void PanelTest::Connect(const std::string& port) {
  ChoosePort(port);
  dlg.OnConnect();
  ASSERT_NE(link().GetPortState(), link::PortState::None) << "no board on " << port;
  ASSERT_EQ(model().controls().updateText, "Update...");
  surface.messages.clear();
  surface.shown.clear();
  surface.timeline.clear();
  clock.sleeps.clear();
}

void PanelTest::ClickUpdate(const std::string& imagePath) {
  surface.QueueFileChoice(imagePath);
  dlg.OnFirmwareUpdate();
}

void PanelTest::ExpectDisconnectedPanel() {
  EXPECT_EQ(link().GetPortState(), link::PortState::None);
  EXPECT_EQ(model().controls().updateText, "Repair...");
  EXPECT_TRUE(model().controls().update);
  EXPECT_TRUE(model().controls().connect);
  EXPECT_FALSE(model().controls().disconnect);
  EXPECT_FALSE(model().controls().firmwareInfo);
  EXPECT_FALSE(model().controls().save);
  EXPECT_FALSE(surface.progressOpen);
  EXPECT_EQ(dlg.model().connected(), false);
}

std::vector<std::string> PanelTest::Messages() const {
  std::vector<std::string> texts;
  for (const auto& m : surface.messages) texts.push_back(m.text);
  return texts;
}

}  // namespace korvane::testing

namespace korvane::testing {
namespace {
// Removes this run's image files when the suite ends.
class TempFilesCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::temp_directory_path() / ("korvane-fw-" + std::to_string(::getpid())),
                                ignored);
  }
};
[[maybe_unused]] ::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new TempFilesCleanup);
}  // namespace
}  // namespace korvane::testing
