// korvane-cli send: sends raw commands to a board and prints each reply.
#include <iostream>

#include "cli/cli_board.h"

namespace korvane::cli {
namespace {

int Run(const Args& args) {
  const std::string port = PortOption(args);
  CliBoard board;
  link::BoardLink& link = board.session.link();
  if (!link.OpenPort(port, link::kFirmwareBanner)) {
    throw Failure(NotFoundText(session::kCouldNotFind, link.OpenFailure()));
  }
  for (std::string command : args.positional) {
    if (command.empty() || command.back() != ';') command += ";";
    // A lost connection ends the whole run; the replies so far are already out.
    std::cout << link.SendCommand(command) << std::endl;
  }
  link.ClosePort();
  return kExitOk;
}

const Registrar kRegistrar(Command{
    "send",
    "--port PORT COMMAND...",
    "Connects to the board's firmware, sends each COMMAND (\";\" is added when missing) and prints each "
    "reply on a line of its own.",
    {kPortOption},
    1,
    -1,
    Run});

}  // namespace
}  // namespace korvane::cli
