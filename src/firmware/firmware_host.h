// What the firmware operations need of the main window, and the steps they share: the
// progress window and the way from a running board into its bootloader.
#pragma once

#include <functional>
#include <string>

#include "panel/control_surface.h"

namespace korvane::firmware {

struct Host {
  ControlSurface& surface;
  std::function<std::string()> portName;  // the port as chosen in the port list
  std::function<void()> disconnect;       // closes the link, panel back to disconnected
};

enum class Result { Cancelled, Done, Failed };

// The progress window of one operation. It is destroyed at the latest when the operation
// leaves, also when a lost board connection unwinds it, so no window outlives its operation.
class ProgressWindow {
 public:
  ProgressWindow(ControlSurface& surface, const std::string& title);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void Status(const std::string& text);
  void Range(int n);
  void Step();
  void Destroy();

 private:
  ControlSurface& surface_;
  bool open_ = true;
};

// With a board connected (or Demo): sends "B;" without waiting for a reply, closes the link
// and gives the board time to restart in its bootloader. Returns whether a board was connected.
bool LeaveRunningFirmware();

// Modal information box without a caption of its own: how refusals and errors are reported.
void ShowError(ControlSurface& surface, const std::string& text);
// Information box with the caption "Information": how results are reported.
void ShowResult(ControlSurface& surface, const std::string& text);

inline constexpr char kEnteringText[] = "Entering Bootloader...";
inline constexpr char kNoBootloaderText[] = "Cannot connect to board bootloader!";
inline constexpr char kInformationCaption[] = "Information";

}  // namespace korvane::firmware
