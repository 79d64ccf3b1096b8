#include "link/port_list.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

#include "link/board_link.h"
#include "link/demo_transport.h"

namespace korvane::link {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

std::vector<PortInfo> SystemSerialPorts() {
  std::vector<PortInfo> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    PortInfo port;
    port.name = info.portName().toStdString();
    port.description = (info.manufacturer() + QLatin1Char(' ') + info.description()).simplified().toStdString();
#ifdef Q_OS_WIN
    // Only the classic COM names are offered; other devices are no serial ports to us.
    if (!IsComPortName(port.name)) continue;
#endif
    ports.push_back(std::move(port));
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
  // A bare name is a device in /dev, as the serial port opens it.
  const std::string path = name.front() == '/' ? name : "/dev/" + name;
  std::error_code error;
  return std::filesystem::exists(path, error);
}

bool IsComPortName(std::string_view name) {
  size_t digits = 0;
  while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[name.size() - 1 - digits]))) ++digits;
  if (digits < 1 || digits > 3 || name.size() < digits + 3) return false;
  const std::string_view com = name.substr(name.size() - digits - 3, 3);
  return Lower(com[0]) == 'c' && Lower(com[1]) == 'o' && Lower(com[2]) == 'm';
}

void SortPortNames(std::vector<PortInfo>& ports) {
  std::stable_sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
  });
}

}  // namespace korvane::link
