#include "platform/serial_port.h"

#include <windows.h>

#include <cerrno>

#include "platform/devices.h"
#include "platform/windows/system_text.h"

namespace korvane::platform {

namespace {
HANDLE Handle(void* handle) { return static_cast<HANDLE>(handle); }
}  // namespace

SerialPort::~SerialPort() { Close(); }

SerialPort::OpenResult SerialPort::Open(const std::string& name, int baudRate, int* error, std::string* reason) {
  Close();
  // No sharing: a second program is refused while this one holds the port. Synchronous I/O:
  // waits are paced by the port's time-outs, not by WaitCommEvent, whose wait ends at once with
  // nothing on ports that have no modem lines (Wine's mapping of a pseudo-terminal among them).
  const HANDLE handle = ::CreateFileW(windows::Wide(SerialDevicePath(name)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    // A port another program holds is refused as access denied.
    *error = code == ERROR_ACCESS_DENIED ? EBUSY : windows::ErrnoOf(code);
    *reason = windows::ErrorText(code);
    return OpenResult::CannotOpen;
  }
  handle_ = handle;
  readMs_ = writeMs_ = -1;
  DCB line{};
  line.DCBlength = sizeof line;
  ::SetLastError(0);
  bool configured = ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetCommState(handle, &line);
  if (configured) {
    line.BaudRate = static_cast<DWORD>(baudRate);
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fErrorChar = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE;
    // The board needs neither line; pseudo-terminals and some adapters have none.
    line.fDtrControl = DTR_CONTROL_DISABLE;
    line.fRtsControl = RTS_CONTROL_DISABLE;
    configured = ::SetCommState(handle, &line) && SetTimeouts(0, 0);
  }
  if (!configured) {
    const DWORD code = ::GetLastError();
    // No error code: the device is no serial port, which the front ends put into words.
    *reason = code != 0 ? windows::ErrorText(code) : std::string();
    Close();
    return OpenResult::CannotConfigure;
  }
  ::PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
  return OpenResult::Ok;
}

// readMs 0: a read returns what has arrived, at once. Otherwise it returns as soon as one byte
// is there, or after readMs with nothing: the one mode that waits for a first byte.
bool SerialPort::SetTimeouts(int readMs, int writeMs) {
  if (readMs == readMs_ && writeMs == writeMs_) return true;
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (readMs > 0) {
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(readMs);
  }
  timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(writeMs);
  if (!::SetCommTimeouts(Handle(handle_), &timeouts)) return false;
  readMs_ = readMs;
  writeMs_ = writeMs;
  return true;
}

void SerialPort::Purge() {
  if (!handle_) return;
  ::PurgeComm(Handle(handle_), PURGE_RXABORT | PURGE_TXABORT | PURGE_RXCLEAR | PURGE_TXCLEAR);
  DWORD errors = 0;
  ::ClearCommError(Handle(handle_), &errors, nullptr);
}

bool SerialPort::Write(std::string_view bytes, int timeoutMs) {
  if (!handle_) return false;
  if (!SetTimeouts(readMs_ < 0 ? 0 : readMs_, timeoutMs)) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(Handle(handle_), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                     nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  // Returns once the driver has sent what it holds.
  return ::FlushFileBuffers(Handle(handle_)) != 0;
}

int SerialPort::Read(char* buffer, int size, int timeoutMs) {
  if (!handle_) return -1;
  if (!SetTimeouts(timeoutMs < 0 ? 0 : timeoutMs, writeMs_ < 0 ? 0 : writeMs_)) return -1;
  DWORD read = 0;
  if (!::ReadFile(Handle(handle_), buffer, static_cast<DWORD>(size), &read, nullptr)) {
    // A line error (a framing error on noise) is cleared and the read goes on; a port that is
    // gone fails.
    DWORD errors = 0;
    if (::ClearCommError(Handle(handle_), &errors, nullptr) && errors != 0) return 0;
    return -1;
  }
  return static_cast<int>(read);
}

void SerialPort::Close() {
  if (!handle_) return;
  ::CloseHandle(Handle(handle_));
  handle_ = nullptr;
}

}  // namespace korvane::platform
