#include "platform/device_names.h"

#include <gtest/gtest.h>

namespace korvane::platform {
namespace {

TEST(DeviceNames, ComNamePattern) {
  const struct {
    const char* name;
    bool matches;
  } cases[] = {
      {"COM3", true},     {"com12", true},   {"XCOM7", true},          {"COM123", true},    {"cOm9", true},
      {"COM1234", false}, {"COM", false},    {"CNCA0", false},         {"", false},         {"3", false},
      {"COMX1", false},   {"COM12a", false}, {"\\Device\\COM5", true}, {"COM12COM3", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsComPortName(c.name), c.matches) << c.name;
}

// Only the \\.\ form opens COM10 and above; every plain COM name gets it, nothing else changes.
TEST(DeviceNames, ComPortsOpenUnderTheDeviceNamespace) {
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"COM1", "\\\\.\\COM1"},
      {"COM10", "\\\\.\\COM10"},
      {"com256", "\\\\.\\COM256"},
      {"\\\\.\\COM3", "\\\\.\\COM3"},
      {"XCOM7", "XCOM7"},
      {"COM1234", "COM1234"},
      {"ttyUSB0", "ttyUSB0"},
      {"", ""},
      {"\\Device\\COM5", "\\Device\\COM5"},
  };
  for (const auto& c : cases) EXPECT_EQ(ComDevicePath(c.name), c.path) << c.name;
}

}  // namespace
}  // namespace korvane::platform
