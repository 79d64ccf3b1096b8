// What the presenter needs of a window beyond the model it binds: messages, file choice, the
// tuning timer, focus, remembered values, the About box and the end of the program. Nothing
// here waits: a message or a file dialog answers through its callback.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace korvane::panel {

enum class MessageIcon { Information, Warning, Stop };

struct Message {
  std::string text;
  std::string caption;  // empty: the program's name
  MessageIcon icon = MessageIcon::Information;
  std::string details;  // the system's reason or a hint, behind a "details" button
};

struct FileDialogRequest {
  std::string filterName;        // "Korvane ini files (*.kvini)"
  std::string pattern;           // "*.kvini"
  std::string defaultExtension;  // "kvini", added to a name typed without one
  bool save = false;             // save dialog with an overwrite prompt, else open dialog
};

// Where the presenter puts the keyboard focus.
enum class FocusTarget { PortList, SigGenFrequency };

class PanelView {
 public:
  virtual ~PanelView() = default;

  // Shows a message over the window; closed runs when the user has dismissed it.
  virtual void ShowMessage(const Message& message, std::function<void()> closed) = 0;
  // Asks for a file; chosen gets its full path, or nullopt on cancel.
  virtual void ChooseFile(const FileDialogRequest& request, std::function<void(std::optional<std::string>)> chosen) = 0;

  // The tuning timer: one shot, restarted when started again; on expiry the view calls
  // CMainDlg::OnTimer.
  virtual void StartTuneTimer(int ms) = 0;
  virtual void StopTuneTimer() = 0;

  virtual void SetFocus(FocusTarget target) = 0;

  // Values kept between runs of the window (the last port that connected, the exact mode).
  virtual std::optional<std::string> Remembered(const std::string& key) const = 0;
  virtual void Remember(const std::string& key, const std::string& value) = 0;

  virtual void ShowAbout() = 0;
  virtual void Quit(int exitCode) = 0;
};

}  // namespace korvane::panel
