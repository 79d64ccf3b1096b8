// The headless window of korvane-cli: messages go to the terminal, progress is drawn there.
#pragma once

#include <chrono>
#include <string>

#include "panel/headless_surface.h"

namespace korvane::cli {

class CliSurface : public HeadlessSurface {
 public:
  // Results (a caption and the information icon) go to stdout, everything else to stderr.
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  void ProgressCreate(const std::string& title) override;
  void ProgressStatus(const std::string& text) override;
  void ProgressRange(int n) override;
  void ProgressStep() override;
  void ProgressDestroy() override;

  // True when a message other than a result was shown since `from` (an index into messages).
  bool FailedSince(size_t from) const;

  bool echo = true;

 private:
  void Draw(bool force);

  bool tty_ = false;
  std::string phase_;
  std::chrono::steady_clock::time_point phaseStart_{};
  std::chrono::steady_clock::time_point lastDraw_{};
  bool lineOpen_ = false;
};

}  // namespace korvane::cli
