// A real ser2net serving a device (the virtual board's pseudo-terminal) on a free loopback
// port, started with a configuration of its own and stopped at the end, for tests of the
// network ports.
//
//   VirtualBoard board;
//   Ser2NetServer server({.mode = Ser2NetMode::Rfc2217, .device = board.path()});
//   link.OpenPort(server.Url(), link::kFirmwareBanner);   // "rfc2217://127.0.0.1:41234"
//   server.Kill();                                         // as if the serving computer died
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace korvane::test {

enum class Ser2NetMode { Raw, Rfc2217 };

struct Ser2NetOptions {
  Ser2NetMode mode = Ser2NetMode::Raw;
  std::string device;
  // ser2net's line settings for the device, set when a client connects.
  std::string line = "4800n81";
  // More lines for the connection's "options:" block, e.g. "chardelay: false".
  std::string options;
};

class Ser2NetServer {
 public:
  // Throws std::runtime_error when ser2net is missing or does not come up.
  explicit Ser2NetServer(Ser2NetOptions options);
  ~Ser2NetServer();
  Ser2NetServer(const Ser2NetServer&) = delete;
  Ser2NetServer& operator=(const Ser2NetServer&) = delete;

  int port() const { return port_; }
  // "tcp://127.0.0.1:PORT" or "rfc2217://127.0.0.1:PORT".
  std::string Url() const;
  // Ends ser2net at once (SIGKILL): its connections drop as when the serving computer dies.
  void Kill();
  // What ser2net printed (its -d output).
  std::string Log() const;

 private:
  bool Start(int port);
  void Stop(int signal);
  bool Listening() const;

  Ser2NetOptions options_;
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace korvane::test
