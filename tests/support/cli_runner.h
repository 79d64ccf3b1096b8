// Runs the built korvane-cli as a user would and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace korvane::test {

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// The korvane-cli of this build; the environment variable KORVANE_CLI names another.
std::string CliPath();

// Runs korvane-cli with the arguments; stdin is empty, stdout and stderr are captured apart.
CliResult RunCli(const std::vector<std::string>& args);
// The same with stdout sent to the file or device at stdoutPath (/dev/full, say); out stays empty.
CliResult RunCli(const std::vector<std::string>& args, const std::string& stdoutPath);

// The same for another program, found on PATH when the name has no slash. With
// interruptAfterMs > 0 the program gets `signal` that long after its start, as from Ctrl-C.
CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& stdoutPath = "", int interruptAfterMs = 0, int signal = 0);

}  // namespace korvane::test
