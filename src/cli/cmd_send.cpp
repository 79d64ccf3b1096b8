// korvane-cli send: sends raw commands to a board and prints each reply.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_board.h"

namespace korvane::cli {
namespace {

// One command per argument, each answered by one reply, so that replies never shift against
// their commands. The two commands that get no reply are taken on their own terms.
std::vector<std::string> Commands(const std::vector<std::string>& arguments) {
  std::vector<std::string> commands;
  for (const std::string& argument : arguments) {
    std::string command = argument;
    if (command.empty() || command.back() != ';') command += ";";
    if (command.find(';') != command.size() - 1) {
      throw UsageError("'" + argument + "' holds more than one command; give each command its own argument");
    }
    if (command == link::kIdentifyCommand) {
      throw UsageError("\"V;\" is answered with the board's banner, not a reply; korvane-cli info prints it");
    }
    if (!commands.empty() && commands.back() == link::kEnterBootloaderCommand) {
      throw UsageError("\"B;\" must come last: the board leaves its firmware and answers nothing after it");
    }
    commands.push_back(command);
  }
  return commands;
}

int Run(const Args& args) {
  const std::string port = PortOption(args);
  const std::vector<std::string> commands = Commands(args.positional);
  CliBoard board;
  board.HoldStops();
  const session::HandshakeResult open = board.session.Open(port, session::BoardPart::Firmware);
  board.StopIfRequested("nothing was sent to the board.");
  if (!open.ok()) throw Failure(WithReason(session::kCouldNotFind, open.reason));
  bool refused = false;
  size_t answered = 0;
  for (const std::string& command : commands) {
    const std::string done = std::to_string(answered) + " of " + std::to_string(commands.size()) +
                             " commands were sent and answered (the replies above); ";
    board.StopIfRequested(done + "\"" + command + "\" and those after it were not sent.");
    if (command == link::kEnterBootloaderCommand) {
      board.session.SwitchToBootloader();
      std::cout << "(no reply: the board has switched to its bootloader)" << std::endl;
      break;
    }
    // A lost connection ends the whole run; the replies so far are already out. A refusal
    // does not: the later commands may not depend on it, and each reply stays with its own.
    session::Exchange exchange;
    try {
      exchange = board.session.Send(command);
    } catch (const link::ConnectionLost&) {
      board.StopIfRequested(done + "\"" + command +
                            "\" went out but its reply was not read (the board may have run it), and those after it "
                            "were not sent.");
      throw;
    }
    ++answered;
    std::cout << exchange.reply << std::endl;
    if (exchange.reply == link::kRefusedReply) {
      std::cerr << "The board refused \"" << command << "\" (it answered \"" << exchange.reply << "\")." << std::endl;
      refused = true;
    }
  }
  board.session.Close();
  return refused ? kExitFailure : kExitOk;
}

}  // namespace

const Command kSendCommand{
    "send",
    "--port PORT COMMAND...",
    "Connects to the board's firmware, sends each COMMAND (one per argument, \";\" is added when missing) "
    "and prints each reply on a line of its own. \"B;\" may come last: it gets no reply, the board "
    "switches to its bootloader.",
    {kPortOption},
    1,
    -1,
    Run};

}  // namespace korvane::cli
