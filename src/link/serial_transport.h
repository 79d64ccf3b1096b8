// A local serial device as a board's byte stream: 4800 baud, 8N1, byte reads with a deadline.
// Qt SerialPort drives the device where the build has it (Linux), the platform's own serial
// port elsewhere (Windows).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "link/transport.h"

namespace korvane::link {

class SerialTransport : public Transport {
 public:
  explicit SerialTransport(Clock& clock);
  ~SerialTransport() override;

  // Opens the device as the user names it ("ttyUSB0", "/dev/pts/7", "COM12") for exclusive
  // use and sets 4800 baud, 8 data bits, no parity, one stop bit, no flow control, DTR and
  // RTS off. A port that opens but refuses the line settings is closed again.
  OpenResult Open(const std::string& portName) override;
  bool IsOpen() const override;
  void Purge() override;
  void Write(std::string_view bytes) override;
  ReadResult ReadByte(char& byte, int timeoutMs) override;
  void Close() override;

 private:
  struct Port;
  std::unique_ptr<Port> port_;
};

}  // namespace korvane::link
