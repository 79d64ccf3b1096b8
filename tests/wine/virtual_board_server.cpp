// The virtual board as a program of its own, for driving the Windows build under Wine from outside:
// it prints the board's pseudo-terminal ("pty /dev/pts/7") and, with --tcp, the raw network port a
// ser2net serves it on ("url tcp://127.0.0.1:41234"), then serves until SIGTERM or SIGINT and prints
// every command the board received, one a line, after "log". (A signal rather than the end of its
// input: Wine's server, started meanwhile, would inherit and keep open any pipe to it.)
//
//   korvane_virtual_board_server [--tcp] [--chip ADF4350|ADF4351|MAX2871]
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "support/ser2net_server.h"
#include "support/virtual_board.h"

using korvane::test::Ser2NetServer;
using korvane::test::VirtualBoard;
using korvane::test::VirtualBoardOptions;
using korvane::test::VirtualChip;

namespace {

std::optional<VirtualChip> ChipNamed(const std::string& name) {
  if (name == "ADF4350") return VirtualChip::ADF4350;
  if (name == "ADF4351") return VirtualChip::ADF4351;
  if (name == "MAX2871") return VirtualChip::MAX2871;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  // Blocked before any thread starts, so only sigwait below takes them.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  VirtualBoardOptions options;
  bool tcp = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::optional<VirtualChip> chip;
    if (arg == "--tcp") {
      tcp = true;
    } else if (arg == "--chip" && i + 1 < argc && (chip = ChipNamed(argv[++i]))) {
      options.chip = *chip;
    } else {
      std::cerr << "usage: korvane_virtual_board_server [--tcp] [--chip ADF4350|ADF4351|MAX2871]\n";
      return 2;
    }
  }
  VirtualBoard board(options);
  std::unique_ptr<Ser2NetServer> server;
  if (tcp) {
    korvane::test::Ser2NetOptions serve;
    serve.device = board.path();
    server = std::make_unique<Ser2NetServer>(serve);
  }
  std::cout << "pty " << board.path() << '\n';
  if (server) std::cout << "url " << server->Url() << '\n';
  std::cout << std::flush;

  int signal = 0;
  sigwait(&stop, &signal);
  std::cout << "log\n";
  for (const std::string& command : board.Log()) std::cout << command << '\n';
  return std::cout.flush() ? 0 : 1;
}
