// korvane-cli ports: the serial ports the window's port list offers, "Demo" included.
#include <iostream>

#include "cli/command.h"
#include "cli/json.h"
#include "link/port_list.h"

namespace korvane::cli {
namespace {

int Run(const Args& args) {
  const std::vector<link::PortInfo> ports = link::ListSerialPorts();
  if (args.Has("json")) {
    std::string list;
    for (const link::PortInfo& port : ports) {
      if (!list.empty()) list += ",";
      list += JsonObject().Add("name", port.name).Add("description", port.description).str();
    }
    std::cout << JsonObject().AddRaw("ports", "[" + list + "]").str() << "\n";
    return kExitOk;
  }
  size_t width = 0;
  for (const link::PortInfo& port : ports) width = std::max(width, port.name.size());
  for (const link::PortInfo& port : ports) {
    std::string line = port.name;
    if (!port.description.empty()) line += std::string(width + 2 - port.name.size(), ' ') + port.description;
    std::cout << line << "\n";
  }
  return kExitOk;
}

}  // namespace

const Command kPortsCommand{
    "ports",
    "[--json]",
    "Lists the serial ports that the window's port list offers, with their descriptions, \"Demo\" included.",
    {{"json", "", "print the list as JSON"}},
    0,
    0,
    Run};

}  // namespace korvane::cli
