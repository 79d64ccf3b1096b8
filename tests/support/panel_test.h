// A headless control panel on a fresh demo store, with pauses that take no time: the board
// work runs on the test's thread, one request after another.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/board_link.h"
#include "base/clock.h"
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
  void ChoosePort(const std::string& port) { surface.ChoosePort(port); }
  void Connect(const std::string& port = "Demo", int chipEntry = 0) {
    ChoosePort(port);
    surface.Choose(ctl::kChipList, chipEntry);
    surface.Click(ctl::kConnect);
  }
  // Types a text into a field as a user would.
  void Type(int id, const std::string& text) { surface.Type(id, text); }
  void Choose(int list, int index) { surface.Choose(list, index); }
  void Check(int box, bool checked) { surface.Check(box, checked); }
  void Click(int id) { surface.Click(id); }
  std::vector<std::string> Items(int list) const {
    std::vector<std::string> items;
    for (int i = 0; i < surface.GetCount(list); ++i) items.push_back(surface.GetItemText(list, i));
    return items;
  }
  std::string Selected(int list) const { return surface.GetItemText(list, surface.GetSelection(list)); }
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
