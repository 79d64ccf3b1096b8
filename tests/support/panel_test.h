// A headless control panel on a fresh demo store, with pauses that take no time.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/board_link.h"
#include "link/clock.h"
#include "link/demo_board.h"
#include "link/port_list.h"
#include "panel/control_ids.h"
#include "panel/headless_surface.h"
#include "panel/main_dlg.h"
#include "support/recording_clock.h"
#include "support/session_link_view.h"

namespace korvane::testing {

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override { dlg.OnInitDialog(); }
  void TearDown() override { session.Close(); }

  test::SessionLinkView link() { return test::SessionLinkView(session); }

  // Chooses a port as a user would: a listed entry, or a typed name.
  void ChoosePort(const std::string& port) { surface.ChoosePort(port); }
  void Connect(const std::string& port = "Demo", int chipEntry = 0) {
    ChoosePort(port);
    surface.SetSelection(ctl::kChipList, chipEntry);
    dlg.OnCommand(ctl::kConnect);
  }
  // Types a text into a field as a user would.
  void Type(int id, const std::string& text) {
    surface.SetText(id, text);
    dlg.OnUserChange(id);
  }
  void Choose(int list, int index) {
    surface.SetSelection(list, index);
    dlg.OnUserChange(list);
  }
  void Check(int box, bool checked) {
    surface.SetCheck(box, checked);
    dlg.OnUserChange(box);
  }
  std::vector<std::string> Items(int list) const {
    std::vector<std::string> items;
    for (int i = 0; i < surface.GetCount(list); ++i) items.push_back(surface.GetItemText(list, i));
    return items;
  }
  std::string Selected(int list) const { return surface.GetItemText(list, surface.GetSelection(list)); }

  test::RecordingClock clock;
  link::DemoStore demo;
  session::BoardSession session{clock, demo};
  HeadlessSurface surface;
  std::vector<link::PortInfo> ports;  // what the system's port list offers
  CMainDlg dlg{surface, session, [this] { return ports; }};
};

}  // namespace korvane::testing
