// The command framework of korvane-cli: subcommands with their options, help and exit codes.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvane::cli {

// Exit codes: 0 success, 1 the operation failed (reason on stderr), 2 usage error.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;              // options that take a value, without "--": the last one given
  std::map<std::string, std::vector<std::string>> lists;  // every value of each option, in order
  std::set<std::string> flags;                            // options without a value, without "--"

  bool Has(const std::string& name) const { return flags.count(name) || values.count(name); }
  std::string Value(const std::string& name, const std::string& fallback) const;
};

struct Option {
  std::string name;   // without "--"
  std::string value;  // placeholder such as "MHZ"; empty for a flag
  std::string help;
};

// The options that every board command shares.
inline const Option kPortOption{
    "port", "PORT",
    "serial port as you would type it (ttyUSB0, /dev/serial/by-id/..., COM12), a port served "
    "over the network (tcp://HOST:PORT, rfc2217://HOST:PORT), or Demo"};
inline const Option kChipOption{"chip", "CHIP", "auto (identify the chip, the default), adf4350, adf4351 or max2871"};

struct Command {
  std::string name;
  std::string synopsis;  // after "korvane-cli NAME "
  std::string summary;
  std::vector<Option> options;
  int minPositional = 0;
  int maxPositional = 0;  // -1: any number
  std::function<int(const Args&)> run;
};

// Thrown by a command: Usage exits 2, Failure exits 1; both print their text on stderr.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// Thrown when a stop signal (Ctrl-C, SIGTERM) ended a command: prints "interrupted: " and the
// text, which says what the command left on the board, and exits as the signal would have.
struct Interrupted : std::runtime_error {
  Interrupted(const std::string& what, int exitStatus) : std::runtime_error(what), exitStatus(exitStatus) {}
  int exitStatus;
};

// The commands, one file each; Commands() lists them all.
extern const Command kBootloaderCommand;
extern const Command kCalibrateCommand;
extern const Command kDecodeCommand;
extern const Command kFieldsCommand;
extern const Command kFlashCommand;
extern const Command kInfoCommand;
#ifdef KORVANE_HAVE_MQTT
extern const Command kMqttCommand;
#endif
extern const Command kPortsCommand;
extern const Command kReadCommand;
extern const Command kSendCommand;
extern const Command kServeCommand;
extern const Command kSolveCommand;
extern const Command kSweepCommand;
extern const Command kTuneCommand;
extern const Command kWatchCommand;
extern const Command kWriteCommand;

const std::vector<Command>& Commands();
int Dispatch(int argc, char** argv);
std::string HelpText(const Command& command);

// Rendered from Commands() at build time: "korvane-cli --manpage" and "--bash-completion".
std::string ManPage();
std::string BashCompletion();

}  // namespace korvane::cli
