#include "support/virtual_board.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "base/text_encoding.h"

namespace korvane::test {

namespace {

using SteadyClock = std::chrono::steady_clock;

// One byte on a 4800-baud line: start bit, eight data bits, stop bit.
constexpr auto kByteTime = std::chrono::microseconds(10'000'000 / 4800);
constexpr size_t kMaxCommandBytes = 4096;
constexpr size_t kMaxStreamBytes = 1 << 20;
constexpr char kPrompt[] = "Ready\n>";

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Reads exactly `digits` hex digits at text[from..], followed by ";" and the end.
bool ParseHexArgument(std::string_view text, size_t from, int digits, uint32_t& value) {
  if (text.size() != from + digits + 1 || text.back() != ';') return false;
  value = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = text[from + i];
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (v < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(v);
  }
  return true;
}

}  // namespace

void EnsureCoreApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "korvane-tests";
  static char* argv[] = {name, nullptr};
  // Kept for the rest of the run, like the application object of the program itself.
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;
}

// Whether a lock file for the device stands where Qt's serial port looks first ("/dev/pts/3" is
// locked by /var/lock/LCK..pts_3).
static bool SerialLockFileExists(const std::string& device) {
  std::string name = device.substr(std::string("/dev/").size());
  std::replace(name.begin(), name.end(), '/', '_');
  std::error_code ignored;
  return std::filesystem::exists("/var/lock/LCK.." + name, ignored);
}

VirtualBoard::VirtualBoard(VirtualBoardOptions options) : options_(std::move(options)), flash_(kFlashSize, 0xFF) {
  EnsureCoreApplication();
  // A pseudo-terminal's number comes back once it is free, but the lock file of a program that
  // was killed while it held the last one of that number may still stand (Qt takes it for stale
  // only once its owner is reaped, or after 30 s): such a number is skipped, not used.
  std::vector<int> skipped;
  for (;;) {
    masterFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (masterFd_ < 0 || grantpt(masterFd_) != 0 || unlockpt(masterFd_) != 0) {
      throw std::runtime_error("virtual board: no pseudo-terminal");
    }
    const char* name = ptsname(masterFd_);
    if (!name) throw std::runtime_error("virtual board: no pseudo-terminal name");
    path_ = name;
    if (skipped.size() >= 16 || !SerialLockFileExists(path_)) break;
    skipped.push_back(masterFd_);
  }
  for (int fd : skipped) close(fd);
  // The board keeps a slave descriptor of its own, so that the master does not report a
  // hang-up while the host has the port closed, and sets raw mode: no echo, no line editing.
  slaveFd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveFd_ < 0) throw std::runtime_error("virtual board: cannot open " + path_);
  termios tio{};
  tcgetattr(slaveFd_, &tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, B4800);
  cfsetospeed(&tio, B4800);
  tcsetattr(slaveFd_, TCSANOW, &tio);
  fcntl(masterFd_, F_SETFL, fcntl(masterFd_, F_GETFL) | O_NONBLOCK);
  thread_ = std::thread([this] { Serve(); });
}

VirtualBoard::~VirtualBoard() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (masterFd_ >= 0) close(masterFd_);
  if (slaveFd_ >= 0) close(slaveFd_);
}

std::vector<std::string> VirtualBoard::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

int VirtualBoard::Count(std::string_view command) const {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const std::string& c : log_) n += c == command ? 1 : 0;
  return n;
}

void VirtualBoard::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

bool VirtualBoard::WaitForCommand(std::string_view command, int times, int timeoutMs) const {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  while (Count(command) < times) {
    if (SteadyClock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

BoardMode VirtualBoard::Mode() const {
  std::lock_guard lock(mutex_);
  return options_.mode;
}

void VirtualBoard::SetMode(BoardMode mode) {
  std::lock_guard lock(mutex_);
  options_.mode = mode;
}

std::string VirtualBoard::Stored(char key) const {
  std::lock_guard lock(mutex_);
  return store_.Entry(key);
}

void VirtualBoard::SetStored(const std::string& text) {
  std::lock_guard lock(mutex_);
  store_.Answer(text::Utf8ToLatin1Lossy(text));
}

std::vector<uint8_t> VirtualBoard::Flash() const {
  std::lock_guard lock(mutex_);
  return flash_;
}

void VirtualBoard::SetFlash(std::vector<uint8_t> image) {
  std::lock_guard lock(mutex_);
  image.resize(kFlashSize, 0xFF);
  flash_ = std::move(image);
}

void VirtualBoard::SetSilent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}

void VirtualBoard::SetRefuse(std::string prefix, std::string answer, int passFirst) {
  std::lock_guard lock(mutex_);
  rules_.push_back({Rule::Kind::Answer, std::move(prefix), std::move(answer), 0, passFirst, false});
}

void VirtualBoard::HangUpAfter(std::string prefix, size_t bytes) {
  std::lock_guard lock(mutex_);
  rules_.push_back({Rule::Kind::HangUp, std::move(prefix), "", bytes, 0, true});
}

void VirtualBoard::SetEndlessStream(std::string prefix) {
  std::lock_guard lock(mutex_);
  rules_.push_back({Rule::Kind::Stream, std::move(prefix), "", 0, 0, false});
}

void VirtualBoard::SetPrompt(std::string prompt) {
  std::lock_guard lock(mutex_);
  prompt_ = std::move(prompt);
}

void VirtualBoard::SetEcho(bool echo) {
  std::lock_guard lock(mutex_);
  echo_ = echo;
}

void VirtualBoard::SetZeroBytes(bool zeroBytes) {
  std::lock_guard lock(mutex_);
  zeroBytes_ = zeroBytes;
}

void VirtualBoard::SetByteDelayMs(int ms) {
  std::lock_guard lock(mutex_);
  byteDelayMs_ = ms;
}

void VirtualBoard::SetPace4800(bool pace) {
  std::lock_guard lock(mutex_);
  options_.pace4800 = pace;
}

void VirtualBoard::Serve() {
  std::string pending;
  char buffer[256];
  while (!stop_ && !hungUp_) {
    pollfd p{masterFd_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    if (!(p.revents & POLLIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    const ssize_t n = read(masterFd_, buffer, sizeof buffer);
    for (ssize_t i = 0; i < n && !hungUp_; ++i) {
      pending.push_back(buffer[i]);
      if (buffer[i] == ';') {
        Handle(pending);
        pending.clear();
      } else if (pending.size() > kMaxCommandBytes) {
        pending.clear();
      }
    }
  }
}

std::string VirtualBoard::Banner() const {
  std::string text;
  if (options_.mode == BoardMode::Bootloader) {
    text = options_.bootloaderBanner;
  } else if (!options_.banner.empty()) {
    text = options_.banner;
  } else {
    text = "ADF4350 Controller " + options_.hwTag + options_.version;
  }
  if (options_.readyPrompt) text += std::string("\n") + kPrompt;
  return text;
}

std::string VirtualBoard::FirmwareAnswer(const std::string& command, bool& answer) {
  if (command == "B;") {
    options_.mode = BoardMode::Bootloader;
    answer = false;
    return {};
  }
  if (command == "L;") {
    const std::string slot4 = store_.Entry('4');
    if (slot4 == kMax2871Probe) return options_.chip == VirtualChip::MAX2871 ? "L 1;" : "L 0;";
    if (slot4 == kAdf4351Probe) return options_.chip == VirtualChip::ADF4351 ? "L 1;" : "L 0;";
    return "L 1;";
  }
  return store_.Answer(command);
}

std::string VirtualBoard::BootloaderAnswer(const std::string& command) {
  uint32_t value = 0;
  if (StartsWith(command, "E ") && ParseHexArgument(command, 2, 2, value)) {
    if (value < 8 || value > 31) return "?;";
    const size_t offset = (value - 8) * 1024;
    std::fill(flash_.begin() + offset, flash_.begin() + offset + 1024, 0xFF);
    return "OK;";
  }
  if (StartsWith(command, "A ") && ParseHexArgument(command, 2, 8, value)) {
    if (value < kFlashBase || value >= kFlashBase + kFlashSize) return "?;";
    address_ = value;
    return "OK;";
  }
  if (StartsWith(command, "W ") && ParseHexArgument(command, 2, 4, value)) {
    const size_t offset = address_ - kFlashBase;
    // Flash takes a half-word only where it is erased.
    if (offset + 1 >= kFlashSize || flash_[offset] != 0xFF || flash_[offset + 1] != 0xFF) return "ERR;";
    flash_[offset] = static_cast<uint8_t>(value & 0xFF);
    flash_[offset + 1] = static_cast<uint8_t>(value >> 8);
    address_ += 2;
    return "OK;";
  }
  return "?;";
}

void VirtualBoard::Handle(const std::string& command) {
  std::string bytes;
  bool answer = true;
  bool streamForever = false;
  bool hangUp = false;
  size_t hangUpAt = 0;
  {
    std::lock_guard lock(mutex_);
    log_.push_back(command);
    if (silent_) return;

    std::string reply;
    const bool handshake = command == "V;";
    if (handshake) {
      reply = Banner();
    } else if (options_.mode == BoardMode::Bootloader) {
      reply = BootloaderAnswer(command);
    } else {
      reply = FirmwareAnswer(command, answer);
    }

    for (auto it = rules_.begin(); it != rules_.end(); ++it) {
      if (!StartsWith(command, it->prefix)) continue;
      if (it->passFirst > 0) {
        --it->passFirst;
        continue;
      }
      answer = true;
      switch (it->kind) {
        case Rule::Kind::Answer:
          reply = it->text;
          break;
        case Rule::Kind::HangUp:
          hangUp = true;
          hangUpAt = it->bytes;
          break;
        case Rule::Kind::Stream:
          streamForever = true;
          break;
      }
      if (it->once) rules_.erase(it);
      break;
    }
    if (!answer) return;

    if (!handshake) {
      if (echo_) bytes += command.substr(0, command.size() - 1) + "\r\n>";
      bytes += prompt_;
    }
    bytes += reply;
    if (hangUp) bytes.resize(std::min(bytes.size(), hangUpAt));
    if (zeroBytes_) {
      std::string spaced;
      for (char c : bytes) {
        spaced.push_back(c);
        spaced.push_back('\0');
      }
      bytes = std::move(spaced);
    }
  }

  if (streamForever) {
    Stream();
    return;
  }
  Send(bytes, command.size());
  if (hangUp) HangUp();
}

bool VirtualBoard::Send(std::string_view bytes, size_t commandLength) {
  bool pace = false;
  int delayMs = 0;
  {
    std::lock_guard lock(mutex_);
    pace = options_.pace4800;
    delayMs = byteDelayMs_;
  }
  if (!pace && delayMs == 0) return WriteAll(bytes);
  auto next = SteadyClock::now();
  // The command took its own time on the line before the board could see its ";".
  if (pace) next += kByteTime * static_cast<int>(commandLength);
  for (char c : bytes) {
    if (delayMs > 0) next += std::chrono::milliseconds(delayMs);
    std::this_thread::sleep_until(next);
    if (stop_ || !WriteAll(std::string_view(&c, 1))) return false;
    if (pace) next += kByteTime;
  }
  if (pace) std::this_thread::sleep_until(next);
  return true;
}

bool VirtualBoard::WriteAll(std::string_view bytes) {
  auto lastProgress = SteadyClock::now();
  while (!bytes.empty()) {
    if (stop_) return false;
    const ssize_t n = write(masterFd_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      lastProgress = SteadyClock::now();
      continue;
    }
    // Nobody reads the other end: give up rather than block the board for ever.
    if (SteadyClock::now() - lastProgress > std::chrono::milliseconds(500)) return false;
    pollfd p{masterFd_, POLLOUT, 0};
    poll(&p, 1, 20);
  }
  return true;
}

void VirtualBoard::Stream() {
  const std::string chunk = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
  for (size_t sent = 0; sent < kMaxStreamBytes && !stop_; sent += chunk.size()) {
    if (!WriteAll(chunk)) return;
  }
}

void VirtualBoard::HangUp() {
  // Closing the master is what the host sees when the cable is pulled: reads fail, and the
  // device is gone. The board's own slave descriptor stays open until the board is destroyed,
  // so the number is not handed to another test's board while a host still tries this path.
  hungUp_ = true;
  close(masterFd_);
  masterFd_ = -1;
}

}  // namespace korvane::test
