// The serial ports offered to the user, with "Demo" among them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/net_port_name.h"

namespace korvane::link {

struct PortInfo {
  std::string name;         // as the user types it: "ttyUSB0", "COM12", "Demo"
  std::string description;  // USB maker and product where the system gives them
};

// Where the list of ports comes from: the system's enumeration unless a test gives its own.
using PortEnumerator = std::function<std::vector<PortInfo>()>;

// The system's serial ports as they are now.
std::vector<PortInfo> SystemSerialPorts();

// The enumerator's ports (the system's when it is empty) plus "Demo", sorted without regard
// to case.
std::vector<PortInfo> ListSerialPorts(const PortEnumerator& enumerator = {});

// Whether a name the user typed still means something when the system's list lacks it: a
// network port, or a name the system may open as a serial port ("/dev/serial/by-id/...",
// "ttyUSB0" that exists; on Windows any COM name).
bool IsUsablePortName(const std::string& name);

// Case-insensitive ordering of the port list.
void SortPortNames(std::vector<PortInfo>& ports);

}  // namespace korvane::link
