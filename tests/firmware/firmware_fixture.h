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

#include "link/board_link.h"
#include "link/clock.h"
#include "panel/control_ids.h"
#include "panel/headless_surface.h"
#include "panel/main_dlg.h"
#include "support/recording_clock.h"
#include "support/session_link_view.h"

namespace korvane::testing {

// Every message and progress event in one timeline, with the state of the window at the
// moment a message went up.
class RecordingSurface : public HeadlessSurface {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    bool progressOpen;
    bool disconnectEnabled;
    link::PortState link;
  };
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    shown.push_back({text, caption, progressOpen, IsEnabled(ctl::kDisconnect),
                     test::SessionLinkView(*boardSession).GetPortState()});
    timeline.push_back("message:" + text);
    HeadlessSurface::MessageBox(text, caption, icon);
  }
  void ProgressCreate(const std::string& title) override {
    timeline.push_back("create:" + title);
    HeadlessSurface::ProgressCreate(title);
  }
  void ProgressStep() override {
    ++steps;
    HeadlessSurface::ProgressStep();
  }
  void ProgressDestroy() override {
    if (progressOpen) timeline.push_back("destroy");
    HeadlessSurface::ProgressDestroy();
  }
  session::BoardSession* boardSession = nullptr;  // whose state a message records
  std::vector<Shown> shown;
  std::vector<std::string> timeline;
  int steps = 0;
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
  void ChoosePort(const std::string& name) { surface.SetText(ctl::kPortList, name); }
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
  RecordingSurface surface;
  CMainDlg dlg{surface, session, [] { return std::vector<link::PortInfo>{}; }};
};

}  // namespace korvane::testing
