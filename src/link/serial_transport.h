// The serial device under the board link: 4800 baud, 8N1, byte reads with a deadline.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class QSerialPort;

namespace korvane::link {

class SerialTransport {
 public:
  enum class OpenResult { Ok, CannotOpen, CannotConfigure };
  enum class ReadResult { Byte, TimedOut, Failed };

  SerialTransport();
  ~SerialTransport();
  SerialTransport(const SerialTransport&) = delete;
  SerialTransport& operator=(const SerialTransport&) = delete;

  // Opens the device as the user names it ("ttyUSB0", "/dev/pts/7", "COM12") for exclusive
  // use and sets 4800 baud, 8 data bits, no parity, one stop bit, no flow control, DTR and
  // RTS off. A port that opens but refuses the line settings is closed again.
  OpenResult Open(const std::string& portName);
  bool IsOpen() const;
  // Drops whatever waits in either direction.
  void Purge();
  // Writes all bytes and waits until they have left; a failure shows up as a missing reply.
  void Write(std::string_view bytes);
  // Waits at most timeoutMs (on a monotonic clock) for one byte, running the idle hook
  // while it waits. Failed: the device went away.
  ReadResult ReadByte(char& byte, int timeoutMs);
  void Close();

 private:
  std::unique_ptr<QSerialPort> port_;
};

}  // namespace korvane::link
