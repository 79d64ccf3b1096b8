#include "support/panel_test.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace korvane::testing {
namespace {

namespace fs = std::filesystem;

fs::path RunFolder() { return fs::temp_directory_path() / ("korvane-test-" + std::to_string(::getpid())); }

fs::path TestFolder() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "none";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return RunFolder() / name;
}

// Removes this run's files when the program ends.
class TempFilesCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(RunFolder(), ignored);
  }
};
[[maybe_unused]] ::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new TempFilesCleanup);

}  // namespace

std::string TempPath(const std::string& name) {
  fs::create_directories(TestFolder());
  return (TestFolder() / name).string();
}

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(bytes.begin(), bytes.end());
  return path;
}

std::vector<uint8_t> PatternImage(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    // Low byte: position within 256; high byte: which 512-byte block, shifted by the parity.
    bytes[i] = static_cast<uint8_t>(i % 2 == 0 ? (i / 2) & 0xFF : ((i / 512) * 7 + 0x31) & 0xFF);
  }
  return bytes;
}

void PanelFixture::SetUp() { fs::remove_all(TestFolder()); }

std::string PanelFixture::Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void PanelFixture::Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void PanelTest::SetUp() {
  PanelFixture::SetUp();
  surface.Attach(dlg);
  dlg.OnInitDialog();
}

void PanelTest::Connect(const std::string& port, ChipChoice chip) {
  ChoosePort(port);
  dlg.OnChipChosen(chip);
  dlg.OnConnect();
}

void PanelTest::ConnectAndClear(const std::string& port, ChipChoice chip) {
  Connect(port, chip);
  ASSERT_TRUE(model().connected()) << "no board on " << port << ": "
                                   << (surface.messages.empty() ? "" : surface.messages.back().text);
  ASSERT_EQ(model().controls().updateText, "Update...");
  surface.messages.clear();
  surface.timeline.clear();
  clock.sleeps.clear();
}

void PanelTest::ClickUpdate(const std::string& path) {
  surface.QueueFileChoice(path);
  dlg.OnFirmwareUpdate();
}

void PanelTest::SaveConfigTo(const std::string& path) {
  surface.QueueFileChoice(path);
  dlg.OnSaveConfig();
}

void PanelTest::LoadConfigFrom(const std::string& path) {
  surface.QueueFileChoice(path);
  dlg.OnLoadConfig();
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
  EXPECT_FALSE(model().connected());
}

std::vector<std::string> PanelTest::PowerLabels(int slot) const {
  std::vector<std::string> labels;
  for (PowerLevel level : PowerLevels(model().chip(), model().slot(SlotAt(slot)).band))
    labels.emplace_back(PowerLabel(level));
  return labels;
}

std::vector<std::string> PanelTest::PortNames() const {
  std::vector<std::string> names;
  for (const link::PortInfo& port : model().ports()) names.push_back(port.name);
  return names;
}

std::vector<std::string> PanelTest::Messages() const {
  std::vector<std::string> texts;
  for (const auto& m : surface.messages) texts.push_back(m.text);
  return texts;
}

}  // namespace korvane::testing
