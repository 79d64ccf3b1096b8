// Why a port could not be opened (or what its open let pass), as a value: the front ends put it
// into words, each in its user's language.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace korvane::link {

struct OpenFailure {
  enum class Kind {
    None,
    // A local serial device (port: the device path).
    NotFound,
    Directory,
    RegularFile,
    NotASerialDevice,
    PermissionDenied,    // the device's group is not known
    AdministratorsOnly,  // detail: the device's group, which no user should join (root)
    NotInGroup,          // detail: the device's group, which the user may join
    InUse,
    CannotOpen,   // detail: the system's words
    CannotSetUp,  // detail: the system's words; empty: the device is no serial port
    SystemSaid,   // detail: the serial-port library's own words, all there is to tell
    // A port served over the network (port: the name as written).
    NotANetworkPort,
    Cancelled,
    LookupTooLong,  // host
    UnknownHost,    // host
    LookupFailed,   // host; detail: the resolver's words
    Refused,
    NoAnswerInTime,             // number: the time-out in ms
    CannotConnect,              // detail: the system's words
    ClosedDuringSetUp,          // detail: what the server said before it closed; may be empty
    NoAgreementInTime,          // number: ms; serial-port control was not agreed to
    NoConfirmationInTime,       // number: ms; 4800 baud 8N1 was not confirmed
    FloodedBeforeAgreement,     // number: KiB
    FloodedBeforeConfirmation,  // number: KiB
    NoSerialPortControl,
    SettingRefused,   // setting, number: the value asked for, answered; detail: the answer's bytes
    UnconfirmedLine,  // a warning, not a failure: number: ms; went on without serial-port control
    // The board behind a port that opened.
    NoAnswer,                 // nothing answered with the expected banner
    NoAnswerUnconfirmedLine,  // NoAnswer after an UnconfirmedLine warning (port, number as there)
    InBootloader,
    ClosedBeforeAnswer,  // detail: what the server said before it closed; may be empty
  };
  // The line settings a server is asked to confirm.
  enum class Setting { BaudRate, DataBits, Parity, StopBits, FlowControl };

  OpenFailure() = default;
  OpenFailure(Kind k, std::string portName, std::string details = {})
      : kind(k), port(std::move(portName)), detail(std::move(details)) {}

  Kind kind = Kind::None;
  std::string port;
  std::string host;
  std::string detail;
  Setting setting = Setting::BaudRate;
  int64_t number = 0;
  int64_t answered = 0;

  explicit operator bool() const { return kind != Kind::None; }
  bool operator==(const OpenFailure&) const = default;
};

}  // namespace korvane::link
