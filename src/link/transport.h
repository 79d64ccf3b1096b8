// The byte stream beneath a board link: a local serial port or a port served over the network.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "link/open_failure.h"

namespace korvane::link {

class Transport {
 public:
  enum class OpenResult { Ok, CannotOpen, CannotConfigure };
  enum class ReadResult { Byte, TimedOut, Failed };

  explicit Transport(Clock& clock) : clock_(clock) {}
  virtual ~Transport() = default;
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  // Opens the port for exclusive use and sets the line to 4800 baud, 8N1, no flow control.
  // On failure FailureReason() says why.
  virtual OpenResult Open(const std::string& portName) = 0;
  virtual bool IsOpen() const = 0;
  // Drops whatever waits in either direction.
  virtual void Purge() = 0;
  // The start of what the last Purge dropped. A network server that refuses (ser2net: "Port's
  // device already in use") says why the moment it accepts and then closes, which may be before
  // the purge that follows an open.
  virtual std::string Purged() const { return {}; }
  // Writes all bytes and waits until they have left; a failure shows up as a missing reply.
  virtual void Write(std::string_view bytes) = 0;
  // Waits at most timeoutMs on the clock for one byte, running the clock's idle hook while it
  // waits. Failed: the port went away.
  virtual ReadResult ReadByte(char& byte, int timeoutMs) = 0;
  virtual void Close() = 0;

  // Why the last Open failed; None after a successful open.
  const OpenFailure& FailureReason() const { return failure_; }
  // The last Open failed in a way that may pass in a moment (the server closed the connection
  // while it was being set up): worth another try.
  bool FailureMayPass() const { return mayPass_; }
  // What the last successful Open let pass that the user should hear of (a network port that did
  // not agree to serial-port control); None when nothing.
  const OpenFailure& OpenWarning() const { return warning_; }
  // Makes every wait give up at once until the next Open (a window that is closing).
  void Interrupt() { interrupted_ = true; }
  bool Interrupted() const { return interrupted_; }

 protected:
  Clock& clock_;
  OpenFailure failure_;
  OpenFailure warning_;
  bool mayPass_ = false;
  std::atomic<bool> interrupted_{false};
};

using TransportFactory = std::function<std::unique_ptr<Transport>(const std::string& portName, Clock& clock)>;

// The transport a port name asks for: a local serial device unless the name is a network
// port ("tcp://HOST:PORT", "rfc2217://HOST:PORT").
std::unique_ptr<Transport> MakeTransport(const std::string& portName, Clock& clock);

}  // namespace korvane::link
