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

// A remembered port the system does not list now is kept when it may still be one.
TEST(PortList, UnlistedNamesAreKeptWhenTheyMayStillBeAPort) {
  const struct {
    const char* name;
    bool usable;
  } cases[] = {
      {"Demo", true},   {"tcp://127.0.0.1:4001", true}, {"", false}, {"ttyKorvaneNoSuchPort9", false},
#ifdef _WIN32
      {"COM239", true},  // a USB adapter's port, unplugged for now
      {"com7", true},
#else
      {"null", true},  // a device file that exists
      {"/dev/null", true}, {"COM239", false},
#endif
  };
  for (const auto& c : cases) EXPECT_EQ(IsUsablePortName(c.name), c.usable) << c.name;
}

}  // namespace
}  // namespace korvane::link
