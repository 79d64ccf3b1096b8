// A program run beside a test with pipes to its standard input and output, for servers that
// print when they are ready and clients driven line by line. Standard error goes to a file.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

class ChildProcess {
 public:
  ChildProcess(const std::string& path, const std::vector<std::string>& args);
  // Kills a child that is still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  bool WriteLine(const std::string& line);
  // The next line of standard output without its "\n"; nullopt after timeoutMs or at its end.
  std::optional<std::string> ReadLine(int timeoutMs);
  void Signal(int signal);
  // The exit code; -1 for a child ended by a signal, nullopt while it still runs after timeoutMs.
  std::optional<int> Wait(int timeoutMs);
  // What the child wrote to standard error so far.
  std::string Stderr() const;

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string errPath_;
  std::string buffered_;
  std::optional<int> exitCode_;
};

}  // namespace korvane::test
