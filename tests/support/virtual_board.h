// A synthesizer board simulated behind a pseudo-terminal, so tests drive the real serial path.
//
//   VirtualBoard board({.chip = VirtualChip::ADF4351, .hwTag = "v4s."});
//   ASSERT_TRUE(link::OpenPort(board.path(), link::kFirmwareBanner));
//   link::SendCommand("M 05;");            // the board keeps it: "M;" answers "M 05;"
//   board.Log();                            // {"V;", "M 05;"}
//
// Firmware mode answers like the built-in demo board (same initial store), plus:
//   "V;"  the banner "ADF4350 Controller <hwTag><version>\nReady\n>" (see the options);
//   "B;"  no answer, the board switches to its bootloader;
//   "L;"  lock state of the chip it carries: after the MAX2871 probe set was written to
//         slot 4 only a MAX2871 locks, after the ADF4351 probe set only an ADF4351; with
//         any other slot-4 set the chip reports lock ("L 1;").
// Bootloader mode answers:
//   "V;"          the banner "<bootloaderBanner>\nReady\n>";
//   "E %02X;"     pages 8..31: erases the page (0xFF) and answers "OK;"; other pages "?;";
//   "A %08X;"     an address in 0x08002000..0x08007FFF: sets the write address, "OK;";
//   "W %02X%02X;" writes the half-word little-endian at the address and advances by 2,
//                 "OK;"; a half-word that is not erased (or outside the area) gives "ERR;";
//   anything else "?;".
// Faults are set at any time from the test thread; the board thread picks them up with the
// next command. Commands and replies are bytes as on the wire (Latin-1).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/demo_board.h"

namespace korvane::test {

enum class VirtualChip { ADF4350, ADF4351, MAX2871 };
enum class BoardMode { Firmware, Bootloader };

// The probe register sets written to slot 4 to tell the chips apart.
inline constexpr char kMax2871Probe[] = "4 812C0000 08008010 18007EC0 01000000 008C8038 60400000;";
inline constexpr char kAdf4351Probe[] = "4 000C0000 00008010 18017EC0 00000000 00678038 00400000;";

// The application area of the flash: pages 8..31 of 1024 bytes.
inline constexpr uint32_t kFlashBase = 0x08002000;
inline constexpr size_t kFlashSize = 24 * 1024;

struct VirtualBoardOptions {
  VirtualChip chip = VirtualChip::MAX2871;
  // "v2.", "v3.", "v3s.", "v4.", "v4s." or "" (a banner without a version tag).
  std::string hwTag = "v4s.";
  // What follows the tag in the firmware banner.
  std::string version = "3.5 from 16052019.\nS/N 0123456789ABCDEF01234567";
  // When not empty, the whole firmware banner (without the final prompt).
  std::string banner;
  std::string bootloaderBanner = "STM32F0xx Bootloader v3.2";
  // End each banner with "Ready\n>"; without it the host waits out its read time-out.
  bool readyPrompt = true;
  BoardMode mode = BoardMode::Firmware;
  // Times both directions as a 4800-baud line does: 10 bits a byte.
  bool pace4800 = false;
};

// QSerialPort wants an application object (for its event dispatcher). When the test binary
// has none, the first VirtualBoard creates a QCoreApplication that lives for the rest of the
// run; a suite that needs a QApplication must create it before its first VirtualBoard.
void EnsureCoreApplication();

class VirtualBoard {
 public:
  explicit VirtualBoard(VirtualBoardOptions options = {});
  ~VirtualBoard();
  VirtualBoard(const VirtualBoard&) = delete;
  VirtualBoard& operator=(const VirtualBoard&) = delete;

  // The device to open: the pseudo-terminal's slave, e.g. "/dev/pts/7".
  const std::string& path() const { return path_; }

  // Every command received, in order, with its ";".
  std::vector<std::string> Log() const;
  // How often exactly this command arrived.
  int Count(std::string_view command) const;
  void ClearLog();
  // Waits until `command` has arrived `times` times in all; false after timeoutMs.
  bool WaitForCommand(std::string_view command, int times = 1, int timeoutMs = 3000) const;

  BoardMode Mode() const;
  void SetMode(BoardMode mode);
  // The firmware's stored reply for '0'..'4', 'M', 'S', 'T' or 'R', and a way to preset it
  // with a setting command ("M 05;"); both as program text (UTF-8), unlike Log().
  std::string Stored(char key) const;
  void SetStored(const std::string& text);
  // The application flash, kFlashSize bytes from kFlashBase (erased bytes read 0xFF).
  std::vector<uint8_t> Flash() const;
  void SetFlash(std::vector<uint8_t> image);

  // --- Faults ---
  // Reads everything and answers nothing, the banner included.
  void SetSilent(bool silent);
  // Commands starting with `prefix` get `answer` instead of their own reply, after
  // `passFirst` of them went through normally (e.g. SetRefuse("W", "ERR;", 100) refuses
  // the half-word at image offset 200). SetRefuse("E 1F;") refuses the last erase.
  void SetRefuse(std::string prefix, std::string answer = "?;", int passFirst = 0);
  // The next command starting with `prefix` gets only the first `bytes` bytes of its
  // reply, then the line drops (the pseudo-terminal is closed, as on an unplugged cable).
  void HangUpAfter(std::string prefix, size_t bytes = 0);
  // Commands starting with `prefix` are answered by an endless stream without ";".
  void SetEndlessStream(std::string prefix);
  // Sent in front of every reply (a prompt such as "Ready\n>" or line noise).
  void SetPrompt(std::string prompt);
  // Echoes each command without its ";" and then "\r\n>" in front of the reply.
  void SetEcho(bool echo);
  // A zero byte after every byte sent.
  void SetZeroBytes(bool zeroBytes);
  // A pause before every byte sent.
  void SetByteDelayMs(int ms);
  void SetPace4800(bool pace);

  bool HungUp() const { return hungUp_; }

 private:
  struct Rule {
    enum class Kind { Answer, HangUp, Stream } kind;
    std::string prefix;
    std::string text;
    size_t bytes = 0;
    int passFirst = 0;
    bool once = false;
  };

  void Serve();
  void Handle(const std::string& command);
  std::string FirmwareAnswer(const std::string& command, bool& answer);
  std::string BootloaderAnswer(const std::string& command);
  std::string Banner() const;
  bool Send(std::string_view bytes, size_t commandLength);
  bool WriteAll(std::string_view bytes);
  void Stream();
  void HangUp();

  VirtualBoardOptions options_;
  std::string path_;
  int masterFd_ = -1;
  int slaveFd_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> hungUp_{false};

  mutable std::mutex mutex_;  // guards everything below
  std::vector<std::string> log_;
  link::DemoStore store_;
  std::vector<uint8_t> flash_;
  uint32_t address_ = kFlashBase;
  std::vector<Rule> rules_;
  bool silent_ = false;
  std::string prompt_;
  bool echo_ = false;
  bool zeroBytes_ = false;
  int byteDelayMs_ = 0;
};

}  // namespace korvane::test
