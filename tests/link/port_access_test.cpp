// Why a serial device cannot be opened, told so that the user knows what to do.
#include "link/port_access.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "texts/texts.h"

namespace korvane::link {
namespace {

namespace fs = std::filesystem;

TEST(DescribeOpenFailure, NamesTheCauseAndTheFix) {
  const PortFileFacts missing{PortFileKind::Missing};
  const PortFileFacts dialout{PortFileKind::CharDevice, 20, "dialout"};
  struct Case {
    const char* path;
    int errnoValue;
    PortFileFacts facts;
    const char* text;
  };
  const Case cases[] = {
      {"/dev/ttyUSB9", ENOENT, missing, "/dev/ttyUSB9 not found: no such device; check that the board is plugged in."},
      // The path could not be looked at, but the open said it is not there.
      {"/dev/ttyUSB9",
       ENOENT,
       {PortFileKind::Unknown},
       "/dev/ttyUSB9 not found: no such device; check that the board is plugged in."},
      {"/dev/serial", EISDIR, {PortFileKind::Directory, 0, "root"}, "/dev/serial is a directory, not a serial device."},
      // Opening a file works; setting its line parameters fails.
      {"/tmp/port",
       ENOTTY,
       {PortFileKind::RegularFile, 0, "root"},
       "/tmp/port is a regular file, not a serial device."},
      {"/tmp/fifo", ENOTTY, {PortFileKind::Other, 0, "root"}, "/tmp/fifo is not a serial device."},
      {"/dev/ttyUSB0", EACCES, dialout,
       "Permission denied: /dev/ttyUSB0 belongs to the group dialout. Add your user to it with: "
       "sudo usermod -aG dialout $USER, then log out and in again."},
      {"/dev/ttyACM0",
       EPERM,
       {PortFileKind::CharDevice, 986, "uucp"},
       "Permission denied: /dev/ttyACM0 belongs to the group uucp. Add your user to it with: "
       "sudo usermod -aG uucp $USER, then log out and in again."},
      {"/dev/ttyS0",
       EACCES,
       {PortFileKind::CharDevice, 0, "root"},
       "Permission denied: /dev/ttyS0 belongs to the group root, so only an administrator can open it."},
      {"/dev/ttyUSB0", EACCES, {PortFileKind::Unknown}, "Permission denied: /dev/ttyUSB0."},
      {"/dev/ttyUSB0", EBUSY, dialout, "/dev/ttyUSB0 is in use by another program."},
      {"/dev/ttyUSB0", EAGAIN, dialout, "/dev/ttyUSB0 is in use by another program."},
      {"/dev/ttyS4", EIO, dialout, "Cannot open /dev/ttyS4: Input/output error."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + std::strerror(c.errnoValue));
    EXPECT_EQ(texts::OpenFailureText(DescribeOpenFailure(c.path, c.errnoValue, c.facts)), c.text);
  }
}

TEST(InspectPortFile, TellsWhatThePathIs) {
  const fs::path dir = fs::path(::testing::TempDir()) / "korvane_port_access";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "file") << "not a port";
  struct Case {
    std::string path;
    PortFileKind kind;
  };
  const Case cases[] = {
      {(dir / "ttyUSB9").string(), PortFileKind::Missing},
      {(dir / "file" / "ttyUSB9").string(), PortFileKind::Missing},
      {dir.string(), PortFileKind::Directory},
      {(dir / "file").string(), PortFileKind::RegularFile},
#ifndef _WIN32
      {"/dev/null", PortFileKind::CharDevice},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(InspectPortFile(c.path).kind, c.kind);
  }
#ifndef _WIN32
  // The group by name, as the advice needs it (device files have groups on Unix only).
  const PortFileFacts null = InspectPortFile("/dev/null");
  EXPECT_EQ(null.group, 0u);
  EXPECT_EQ(null.groupName, "root");
#endif
  fs::remove_all(dir);
}

}  // namespace
}  // namespace korvane::link
