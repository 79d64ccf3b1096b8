// A headless control panel for the save and configuration tests: demo board or a board on
// a pseudo-terminal, pauses that take no time, and a scratch folder for files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/clock.h"
#include "config/file_io.h"
#include "link/board_link.h"
#include "link/demo_board.h"
#include "link/port_list.h"
#include "panel/main_dlg.h"
#include "support/headless_view.h"
#include "support/panel_test.h"

namespace korvane::testing {

class ConfigPanelTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    link().SetReadTimeoutMs(300);
    dir = std::filesystem::path(::testing::TempDir()) /
          ("korvane_config_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    PanelTest::TearDown();
    link().SetReadTimeoutMs(2000);
    std::filesystem::remove_all(dir);
  }

  // Connects as a user would, with the chip chosen by hand (MAX2871) so that no probe sets
  // are sent.
  void Connect(const std::string& port, session::ChipChoice chip = session::ChipChoice::Max2871) {
    PanelTest::Connect(port, chip);
    ASSERT_EQ(dlg.model().connected(), true) << (surface.messages.empty() ? "" : surface.messages.back().text);
    surface.messages.clear();
  }
  void SaveConfigTo(const std::string& path) {
    surface.QueueFileChoice(path);
    dlg.OnSaveConfig();
  }
  void LoadConfigFrom(const std::string& path) {
    surface.QueueFileChoice(path);
    dlg.OnLoadConfig();
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

  std::filesystem::path dir;
};

}  // namespace korvane::testing
