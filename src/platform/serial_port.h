// A serial port driven by the system's own calls, where the toolkit offers none (Windows): the
// line set to one speed, 8N1, no flow control, DTR and RTS off; reads paced by time-outs.
#pragma once

#include <string>
#include <string_view>

namespace korvane::platform {

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  enum class OpenResult { Ok, CannotOpen, CannotConfigure };
  // Opens the device a port name stands for (SerialDevicePath) for exclusive use and sets the
  // line. CannotOpen: *error is an errno value (ENOENT: no such port, EBUSY: another program
  // holds it, EACCES, or EIO with the system's words in *reason). CannotConfigure: the device
  // opened but took no line settings (it is no serial port); it is closed again and *reason
  // says why in the system's words, empty when the system gave none.
  OpenResult Open(const std::string& name, int baudRate, int* error, std::string* reason);
  bool IsOpen() const { return handle_ != nullptr; }
  // Drops whatever waits in either direction.
  void Purge();
  // Writes all bytes and waits at most timeoutMs until they have left: false when the port
  // failed or the time ran out.
  bool Write(std::string_view bytes, int timeoutMs);
  // Waits at most timeoutMs for bytes: how many were read into buffer (0: none in time), or -1
  // when the port failed (an adapter pulled out).
  int Read(char* buffer, int size, int timeoutMs);
  void Close();

 private:
  bool SetTimeouts(int readMs, int writeMs);

  void* handle_ = nullptr;
  int readMs_ = -1;
  int writeMs_ = -1;
};

}  // namespace korvane::platform
