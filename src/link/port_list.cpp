#include "link/port_list.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "link/board_link.h"
#include "link/demo_transport.h"
#include "platform/devices.h"

namespace korvane::link {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

std::vector<PortInfo> SystemSerialPorts() {
  std::vector<PortInfo> ports;
  for (platform::SerialDevice& device : platform::ListSerialDevices()) {
    ports.push_back({std::move(device.name), std::move(device.description)});
  }
  return ports;
}

std::vector<PortInfo> ListSerialPorts(const PortEnumerator& enumerator) {
  std::vector<PortInfo> ports = enumerator ? enumerator() : SystemSerialPorts();
  ports.push_back({kDemoPortName, "Built-in demo board"});
  SortPortNames(ports);
  return ports;
}

bool IsUsablePortName(const std::string& name) {
  if (name.empty()) return false;
  if (name == kDemoPortName || IsNetworkPortName(name)) return true;
  return platform::MayBeSerialDevice(name);
}

void SortPortNames(std::vector<PortInfo>& ports) {
  std::stable_sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
  });
}

}  // namespace korvane::link
