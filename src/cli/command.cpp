#include "cli/command.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "korvane/version.h"
#include "link/board_link.h"
#include "link/wire_log.h"
#include "synth/number_text.h"

namespace korvane::cli {

namespace {

const Option* FindOption(const Command& command, const std::string& name) {
  for (const Option& o : command.options) {
    if (o.name == name) return &o;
  }
  return nullptr;
}

Args Parse(const Command& command, const std::vector<std::string>& words) {
  Args args;
  bool optionsEnded = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (!optionsEnded && w == "--") {
      optionsEnded = true;
      continue;
    }
    // "-4" or "-1.5" is a value (a power or a frequency), not an option.
    bool looksNumeric = w.size() > 1 && w[0] == '-' && (IsDigit(w[1]) || w[1] == '.');
    if (!optionsEnded && w.size() > 2 && w.rfind("--", 0) == 0) {
      std::string name = w.substr(2);
      std::string value;
      bool inlineValue = false;
      if (auto eq = name.find('='); eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        inlineValue = true;
      }
      const Option* o = FindOption(command, name);
      if (!o) throw UsageError("unknown option --" + name);
      if (o->value.empty()) {
        if (inlineValue) throw UsageError("option --" + name + " takes no value");
        args.flags.insert(name);
      } else {
        if (!inlineValue) {
          if (i + 1 >= words.size()) throw UsageError("option --" + name + " needs a value " + o->value);
          value = words[++i];
        }
        args.values[name] = value;
        args.lists[name].push_back(value);
      }
    } else if (!optionsEnded && !looksNumeric && w.size() > 1 && w[0] == '-') {
      throw UsageError("unknown option " + w);
    } else {
      args.positional.push_back(w);
    }
  }
  int n = static_cast<int>(args.positional.size());
  if (n < command.minPositional) throw UsageError("missing argument");
  if (command.maxPositional >= 0 && n > command.maxPositional) throw UsageError("too many arguments");
  return args;
}

void PrintOverview(std::ostream& out) {
  out << "usage: korvane-cli COMMAND [ARGS...]\n"
         "       korvane-cli COMMAND --help\n"
         "       korvane-cli --verbose COMMAND [ARGS...]   (every command and reply on standard error)\n\n"
         "Programs and controls MAX2871/ADF435x synthesizer boards without a window.\n\n"
         "commands:\n";
  std::vector<Command> sorted = Commands();
  std::sort(sorted.begin(), sorted.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
  for (const Command& c : sorted) {
    // The overview keeps each summary to its first sentence; "COMMAND --help" has the rest.
    std::string summary = c.summary.substr(0, c.summary.find(". "));
    if (!summary.empty() && summary.back() != '.') summary += '.';
    out << "  " << c.name << std::string(c.name.size() < 12 ? 12 - c.name.size() : 1, ' ') << summary << "\n";
  }
}

int DispatchWords(std::vector<std::string> words) {
  // --verbose may stand anywhere before "--": the wire log on standard error.
  const auto end = std::find(words.begin(), words.end(), "--");
  if (const auto verbose = std::find(words.begin(), end, "--verbose"); verbose != end) {
    words.erase(std::remove(words.begin(), end, "--verbose"), end);
    link::EnableWireLog();
  }
  if (words.empty()) {
    PrintOverview(std::cerr);
    return kExitUsage;
  }
  if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    PrintOverview(std::cout);
    return kExitOk;
  }
  if (words[0] == "--version") {
    std::cout << "korvane-cli " << kVersion << "\n";
    return kExitOk;
  }
  // Not in the overview: the build writes the manual page and the completion with these.
  if (words[0] == "--manpage" || words[0] == "--bash-completion") {
    std::cout << (words[0] == "--manpage" ? ManPage() : BashCompletion()) << std::flush;
    return std::cout ? kExitOk : kExitFailure;
  }
  const Command* command = nullptr;
  for (const Command& c : Commands()) {
    if (c.name == words[0]) command = &c;
  }
  if (!command) {
    std::cerr << "korvane-cli: unknown command '" << words[0] << "'\n";
    PrintOverview(std::cerr);
    return kExitUsage;
  }
  std::vector<std::string> rest(words.begin() + 1, words.end());
  if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
    std::cout << HelpText(*command);
    return kExitOk;
  }
  try {
    return command->run(Parse(*command, rest));
  } catch (const UsageError& e) {
    std::cerr << "korvane-cli " << command->name << ": " << e.what() << "\n" << HelpText(*command);
    return kExitUsage;
  } catch (const Failure& e) {
    // An empty reason means the panel has already shown its message.
    if (*e.what()) std::cerr << e.what() << "\n";
    return kExitFailure;
  } catch (const Interrupted& e) {
    std::cerr << "interrupted: " << e.what() << "\n";
    return e.exitStatus;
  } catch (const link::ConnectionLost& e) {
    std::cerr << e.what() << "\n";
    return kExitFailure;
  }
}

// What a command prints is what a script asked for: output that could not be written (a
// full disk, /dev/full) makes the run a failure, whatever else it did. stdout is buffered,
// so most such errors only show at this last flush.
int FinishOutput(int exitCode) {
  errno = 0;
  std::cout.flush();
  const bool failed = std::fflush(stdout) != 0 || !std::cout.good() || std::ferror(stdout);
  const int err = errno;
  if (!failed) return exitCode;
  std::cerr << "korvane-cli: cannot write output: " << (err != 0 ? std::strerror(err) : "write error") << "\n";
  return exitCode == kExitOk ? kExitFailure : exitCode;
}

}  // namespace

std::string Args::Value(const std::string& name, const std::string& fallback) const {
  auto it = values.find(name);
  return it == values.end() ? fallback : it->second;
}

const std::vector<Command>& Commands() {
  // Built on first use, from main: every command's own definition is in place by then.
  static const std::vector<Command> commands = {
      kBootloaderCommand, kCalibrateCommand, kDecodeCommand, kFieldsCommand, kFlashCommand,
      kInfoCommand,       kPortsCommand,     kReadCommand,   kSendCommand,   kServeCommand,
      kSolveCommand,      kSweepCommand,     kTuneCommand,   kWatchCommand,  kWriteCommand,
#ifdef KORVANE_HAVE_MQTT
      kMqttCommand,
#endif
  };
  return commands;
}

std::string HelpText(const Command& command) {
  std::string text = "usage: korvane-cli " + command.name + " " + command.synopsis + "\n\n" + command.summary + "\n";
  if (!command.options.empty()) {
    text += "\noptions:\n";
    for (const Option& o : command.options) {
      std::string head = "  --" + o.name + (o.value.empty() ? "" : " " + o.value);
      head.resize(std::max<size_t>(head.size() + 1, 28), ' ');
      text += head + o.help + "\n";
    }
  }
  text += "  --help                    show this help\n";
  return text;
}

int Dispatch(int argc, char** argv) { return FinishOutput(DispatchWords({argv + 1, argv + argc})); }

}  // namespace korvane::cli
