#include "cli/progress_line.h"

#include <iostream>

#include "platform/devices.h"

namespace korvane::cli {

namespace {

std::string Duration(double seconds) {
  int total = seconds < 0 ? 0 : static_cast<int>(seconds + 0.5);
  std::string text;
  if (total >= 60) text = std::to_string(total / 60) + "m";
  return text + std::to_string(total % 60) + "s";
}

}  // namespace

ProgressLine::ProgressLine() : tty_(platform::StandardErrorIsTerminal()) {}

ProgressLine::~ProgressLine() { End(); }

void ProgressLine::Phase(const std::string& status, int total) {
  End();
  phase_ = status;
  value_ = 0;
  total_ = total;
  phaseStart_ = std::chrono::steady_clock::now();
  if (!tty_) std::cerr << status << std::endl;
  Draw(true);
}

void ProgressLine::Step() {
  ++value_;
  Draw(value_ == total_);
}

void ProgressLine::End() {
  if (!lineOpen_) return;
  std::cerr << "\n" << std::flush;
  lineOpen_ = false;
}

void ProgressLine::Draw(bool force) {
  if (!tty_ || total_ <= 0) return;
  auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  constexpr int kWidth = 30;
  const int shown = value_ > total_ ? total_ : value_;
  int filled = shown * kWidth / total_;
  int percent = shown * 100 / total_;
  std::string line = "\r" + phase_ + " [" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kWidth - filled), ' ') + "] " + std::to_string(percent) + "% " +
                     std::to_string(shown) + "/" + std::to_string(total_);
  if (phase_.rfind("Flashing", 0) == 0) line += " halfwords";
  double elapsed = std::chrono::duration<double>(now - phaseStart_).count();
  if (shown > 0 && shown < total_) line += ", " + Duration(elapsed / shown * (total_ - shown)) + " left";
  std::cerr << line << "\x1b[K" << std::flush;
  lineOpen_ = true;
}

}  // namespace korvane::cli
