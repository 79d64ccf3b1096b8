#include "link/port_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvane::link {
namespace {

TEST(PortList, SortedCaseInsensitivelyWithDemo) {
  const struct {
    std::vector<std::string> system;
    std::vector<std::string> listed;
  } cases[] = {
      {{}, {"Demo"}},
      {{"COM2", "COM10", "COM1"}, {"COM1", "COM10", "COM2", "Demo"}},
      {{"ttyUSB1", "ttyACM0", "dummy", "Z"}, {"Demo", "dummy", "ttyACM0", "ttyUSB1", "Z"}},
  };
  for (const auto& c : cases) {
    const PortEnumerator enumerator = [&c] {
      std::vector<PortInfo> ports;
      for (const std::string& n : c.system) ports.push_back({n, "maker " + n});
      return ports;
    };
    std::vector<std::string> names;
    for (const PortInfo& p : ListSerialPorts(enumerator)) {
      names.push_back(p.name);
      if (p.name != "Demo") {
        EXPECT_EQ(p.description, "maker " + p.name);
      }
    }
    EXPECT_EQ(names, c.listed);
  }
  // The system's own list always carries the demo board.
  bool demo = false;
  for (const PortInfo& p : ListSerialPorts()) demo = demo || p.name == "Demo";
  EXPECT_TRUE(demo);
}

}  // namespace
}  // namespace korvane::link
