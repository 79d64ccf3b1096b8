// Shared pieces of the firmware tests: a window that records the order of what it is shown,
// a clock that only counts, and image files on disk.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "link/board_link.h"
#include "panel/main_dlg.h"
#include "panel/session_runner.h"
#include "support/headless_view.h"
#include "support/recording_clock.h"
#include "support/session_link_view.h"

namespace korvane::testing {

// Every message with the state of the window at the moment it went up.
class RecordingView : public HeadlessView {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    bool progressOpen;
    bool boardShown;  // the panel shows a board: Disconnect is there once the operation ends
    link::PortState link;
  };
  using HeadlessView::HeadlessView;
  void ShowMessage(const panel::Message& message, std::function<void()> closed) override {
    shown.push_back({message.text, message.caption, progressOpen, model_.editable(),
                     test::SessionLinkView(*boardSession).GetPortState()});
    HeadlessView::ShowMessage(message, std::move(closed));
  }
  session::BoardSession* boardSession = nullptr;  // whose state a message records
  std::vector<Shown> shown;
};

// A deterministic image whose halfwords are all different, so a shifted or swapped byte shows.
std::vector<uint8_t> PatternImage(size_t size);
// Writes bytes to a fresh file under the test's temporary directory and returns its path.
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);

// A main window on a recording surface with the fake clock installed.
class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void ChoosePort(const std::string& name) { dlg.OnPortChosen(name); }
  const panel::PanelModel& model() const { return panelModel; }
  void Connect(const std::string& port);
  // Button 3, as clicked.
  void ClickUpdate(const std::string& imagePath);
  // The window shows no board: the state every firmware operation ends in, except a plain
  // failure to find the bootloader while nothing was connected.
  void ExpectDisconnectedPanel();
  std::vector<std::string> Messages() const;

  test::SessionLinkView link() { return test::SessionLinkView(session); }

  // Each pause yields a little real time, so the board thread has taken "B;" off the line
  // before the port is purged on the next open.
  test::RecordingClock clock{20};
  link::DemoStore demo;
  session::BoardSession session{clock, demo};
  panel::PanelModel panelModel;
  RecordingView surface{panelModel};
  panel::InlineRunner runner{session};
  CMainDlg dlg{panelModel, surface, runner, [] { return std::vector<link::PortInfo>{}; }};
};

}  // namespace korvane::testing
