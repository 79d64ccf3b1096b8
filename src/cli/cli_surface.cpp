#include "cli/cli_surface.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace korvane::cli {

namespace {

std::string Duration(double seconds) {
  int total = seconds < 0 ? 0 : static_cast<int>(seconds + 0.5);
  std::string text;
  if (total >= 60) text = std::to_string(total / 60) + "m";
  return text + std::to_string(total % 60) + "s";
}

}  // namespace

void CliSurface::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  HeadlessSurface::MessageBox(text, caption, icon);
  if (!echo) return;
  if (lineOpen_) {
    std::cerr << "\n";
    lineOpen_ = false;
  }
  bool result = !caption.empty() && icon == MessageIcon::Information;
  (result ? std::cout : std::cerr) << text << std::endl;
}

bool CliSurface::FailedSince(size_t from) const {
  for (size_t i = from; i < messages.size(); ++i) {
    if (messages[i].caption.empty() || messages[i].icon == MessageIcon::Stop) return true;
  }
  return false;
}

void CliSurface::ProgressCreate(const std::string& title) {
  HeadlessSurface::ProgressCreate(title);
  tty_ = isatty(STDERR_FILENO) != 0;
  phase_.clear();
}

void CliSurface::ProgressStatus(const std::string& text) {
  HeadlessSurface::ProgressStatus(text);
  if (!echo) return;
  if (lineOpen_) {
    std::cerr << "\n";
    lineOpen_ = false;
  }
  phase_ = text;
  phaseStart_ = std::chrono::steady_clock::now();
  if (!tty_) std::cerr << text << std::endl;
}

void CliSurface::ProgressRange(int n) {
  HeadlessSurface::ProgressRange(n);
  phaseStart_ = std::chrono::steady_clock::now();
  Draw(true);
}

void CliSurface::ProgressStep() {
  HeadlessSurface::ProgressStep();
  Draw(progressValue == progressMax);
}

void CliSurface::ProgressDestroy() {
  bool wasOpen = progressOpen;
  HeadlessSurface::ProgressDestroy();
  if (wasOpen && echo && lineOpen_) {
    std::cerr << "\n";
    lineOpen_ = false;
  }
}

void CliSurface::Draw(bool force) {
  if (!echo || !tty_ || progressMax <= 0) return;
  auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  constexpr int kWidth = 30;
  int filled = progressValue * kWidth / progressMax;
  int percent = progressValue * 100 / progressMax;
  std::string line = "\r" + phase_ + " [" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kWidth - filled), ' ') + "] " + std::to_string(percent) + "% " +
                     std::to_string(progressValue) + "/" + std::to_string(progressMax);
  if (phase_.rfind("Flashing", 0) == 0) line += " halfwords";
  double elapsed = std::chrono::duration<double>(now - phaseStart_).count();
  if (progressValue > 0 && progressValue < progressMax) {
    line += ", " + Duration(elapsed / progressValue * (progressMax - progressValue)) + " left";
  }
  std::cerr << line << "\x1b[K" << std::flush;
  lineOpen_ = true;
}

}  // namespace korvane::cli
