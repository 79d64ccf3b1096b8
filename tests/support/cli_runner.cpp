#include "support/cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace korvane::test {

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

std::string CliPath() {
  if (const char* cli = std::getenv("KORVANE_CLI")) return cli;
  return KORVANE_CLI_PATH;
}

CliResult RunCli(const std::vector<std::string>& args) { return RunProgram(CliPath(), args); }

CliResult RunCli(const std::vector<std::string>& args, const std::string& stdoutPath) {
  return RunProgram(CliPath(), args, stdoutPath);
}

CliResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& stdoutPath,
                     int interruptAfterMs, int signal) {
  CliResult result;
  std::string dir = std::filesystem::temp_directory_path() / ("korvane-cli-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string outPath = dir + "/out", errPath = dir + "/err";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.empty() ? outPath.c_str() : stdoutPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::string path = program;
  std::vector<char*> argv{path.data()};
  std::vector<std::string> copies(args);
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (posix_spawnp(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (interruptAfterMs > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
      kill(pid, signal);
    }
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (stdoutPath.empty()) result.out = Slurp(outPath);
    result.err = Slurp(errPath);
  }
  posix_spawn_file_actions_destroy(&actions);
  std::filesystem::remove_all(dir);
  return result;
}

}  // namespace korvane::test
