// The control panel under test, headless or (window_test.h) in a real window: what both start
// from is here once.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/board_link.h"
#include "link/demo_board.h"
#include "link/port_list.h"
#include "panel/main_dlg.h"
#include "panel/panel_model.h"
#include "panel/session_runner.h"
#include "session/board_facts.h"
#include "support/headless_view.h"
#include "support/recording_clock.h"
#include "support/session_link_view.h"

namespace korvane::testing {

using session::ChipChoice;

// A path in a folder of the running test's own (the folder itself for ""), emptied when each
// panel test starts and removed when the program ends.
std::string TempPath(const std::string& name);
// Writes bytes to TempPath(name) and returns that path.
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);
// A deterministic image whose halfwords are all different, so a shifted or swapped byte shows.
std::vector<uint8_t> PatternImage(size_t size);

// The board side: the demo store, the ports the system offers, pauses on a recording clock, a
// folder for files.
class PanelFixture : public ::testing::Test {
 protected:
  // realYieldMs > 0: each pause takes a little real time, so that a board's thread has taken
  // "B;" off the line before the port is opened again.
  explicit PanelFixture(int realYieldMs = 0) : clock(realYieldMs) {}
  void SetUp() override;

  virtual session::BoardSession& Session() = 0;
  test::SessionLinkView link() { return test::SessionLinkView(Session()); }
  static std::string Contents(const std::string& path);
  static void Put(const std::string& path, const std::string& bytes);

  test::RecordingClock clock;
  link::DemoStore demo;
  std::vector<link::PortInfo> ports;
};

// A headless panel: the board work runs on the test's thread, one request after another.
class PanelTest : public PanelFixture {
 protected:
  using PanelFixture::PanelFixture;
  void SetUp() override;
  void TearDown() override { session.Close(); }
  session::BoardSession& Session() override { return session; }

  // Chooses a port as a user would: a listed entry, or a typed name.
  void ChoosePort(const std::string& port) { dlg.OnPortChosen(port); }
  void Connect(const std::string& port = "Demo", ChipChoice chip = ChipChoice::Auto);
  // Connects, fails the test unless a board is connected, and starts the records afresh. The
  // chip is chosen by hand, so that no probe sets are sent.
  void ConnectAndClear(const std::string& port, ChipChoice chip = ChipChoice::Max2871);
  // File commands as clicked, with the file dialog answered by `path`.
  void ClickUpdate(const std::string& path);
  void SaveConfigTo(const std::string& path);
  void LoadConfigFrom(const std::string& path);
  // The panel shows no board: the state every firmware operation ends in, except a plain
  // failure to find the bootloader while nothing was connected.
  void ExpectDisconnectedPanel();

  // What the slot's power list offers for the chip and the slot's output.
  std::vector<std::string> PowerLabels(int slot) const;
  std::vector<std::string> PortNames() const;
  std::vector<std::string> Messages() const;
  const panel::PanelModel& model() const { return dlg.model(); }

  session::BoardSession session{clock, demo};
  panel::PanelModel panelModel;
  HeadlessView surface{panelModel};
  panel::InlineRunner runner{session};
  CMainDlg dlg{panelModel, surface, runner, [this] { return ports; }};
};

}  // namespace korvane::testing
