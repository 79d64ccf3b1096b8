// A headless control panel on a fresh demo store, with pauses that take no time: the board
// work runs on the test's thread, one request after another.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/clock.h"
#include "link/board_link.h"
#include "link/demo_board.h"
#include "link/port_list.h"
#include "panel/main_dlg.h"
#include "panel/panel_model.h"
#include "panel/session_runner.h"
#include "support/headless_view.h"
#include "support/recording_clock.h"
#include "support/session_link_view.h"

namespace korvane::testing {

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    surface.Attach(dlg);
    dlg.OnInitDialog();
  }
  void TearDown() override { session.Close(); }

  test::SessionLinkView link() { return test::SessionLinkView(session); }

  // Chooses a port as a user would: a listed entry, or a typed name.
  void ChoosePort(const std::string& port) { dlg.OnPortChosen(port); }
  void Connect(const std::string& port = "Demo", session::ChipChoice chip = session::ChipChoice::Auto) {
    ChoosePort(port);
    dlg.OnChipChosen(chip);
    dlg.OnConnect();
  }
  // What the slot's power list offers for the chip and the slot's output.
  std::vector<std::string> PowerLabels(int slot) const {
    std::vector<std::string> labels;
    for (PowerLevel level : PowerLevels(model().chip(), model().slot(SlotAt(slot)).band)) {
      labels.emplace_back(PowerLabel(level));
    }
    return labels;
  }
  std::vector<std::string> PortNames() const {
    std::vector<std::string> names;
    for (const link::PortInfo& port : model().ports()) names.push_back(port.name);
    return names;
  }
  const panel::PanelModel& model() const { return dlg.model(); }

  test::RecordingClock clock;
  link::DemoStore demo;
  session::BoardSession session{clock, demo};
  panel::PanelModel panelModel;
  HeadlessView surface{panelModel};
  panel::InlineRunner runner{session};
  std::vector<link::PortInfo> ports;  // what the system's port list offers
  CMainDlg dlg{panelModel, surface, runner, [this] { return ports; }};
};

}  // namespace korvane::testing
