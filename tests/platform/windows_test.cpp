// The Windows platform where only Windows (or Wine) can run it: saves, sockets and serial ports.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <winsock2.h>
//
#include <windows.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/devices.h"
#include "platform/files.h"
#include "platform/serial_port.h"
#include "platform/server_sockets.h"
#include "platform/sockets.h"
#include "support/failing_writer.h"

namespace korvane::platform {
namespace {

namespace fs = std::filesystem;

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) / "korvane_windows_files";
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  static std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir;
};

TEST_F(WindowsFiles, SavesReplaceWholeFilesAndLeaveNothingBeside) {
  const fs::path file = dir / "board.kvini";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(file.string(), "first", &error)) << error;
  ASSERT_TRUE(WriteFileAtomically(file.string(), "second", &error)) << error;
  EXPECT_EQ(Contents(file), "second");
  const FileUpdate append = [](const std::string& old, std::string* bytes, std::string*) {
    *bytes = old + "+";
    return true;
  };
  ASSERT_TRUE(UpdateFileAtomically(file.string(), append, &error)) << error;
  EXPECT_EQ(Contents(file), "second+");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
}

TEST_F(WindowsFiles, AWriteThatFailsKeepsTheOldFileAndItsWords) {
  const fs::path file = dir / "keep.kvini";
  std::ofstream(file, std::ios::binary) << "old";
  test::FailingWriter writer(ENOSPC);
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(file.string(), "new contents", &error, &writer));
  EXPECT_NE(error.find("\"" + file.string() + "\": No space left on device"), std::string::npos) << error;
  EXPECT_EQ(Contents(file), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1) << "a temporary file was left behind";
}

// A device is refused by its name before anything opens it: an open would reach a serial port.
TEST_F(WindowsFiles, FoldersAndDevicesAreNeitherReadNorReplaced) {
  fs::create_directories(dir / "folder.kvini");
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {(dir / "folder.kvini").string(), "it is a directory, not a regular file"},
      {"NUL", "it is a device, not a regular file"},
      {(dir / "com1.kvini").string(), "it is a device, not a regular file"},
      {"\\\\.\\COM7", "it is a device, not a regular file"},
  };
  for (const auto& c : cases) {
    std::string bytes;
    std::string error;
    EXPECT_EQ(ReadSmallFile(c.path, &bytes, &error), ReadStatus::Failed) << c.path;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(WriteFileAtomically(c.path, "x", &error)) << c.path;
    EXPECT_NE(error.find(std::string(c.reason) + "; it was left as it is"), std::string::npos) << error;
  }
  std::string bytes;
  std::string error;
  EXPECT_EQ(ReadSmallFile((dir / "none.kvini").string(), &bytes, &error), ReadStatus::Missing);
}

TEST_F(WindowsFiles, AHardLinkedFileIsRewrittenWhereItIs) {
  const fs::path first = dir / "a.kvini";
  const fs::path second = dir / "b.kvini";
  std::ofstream(first, std::ios::binary) << "old";
  if (!::CreateHardLinkW(second.wstring().c_str(), first.wstring().c_str(), nullptr)) {
    GTEST_SKIP() << "this file system makes no hard links";
  }
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(first.string(), "new", &error)) << error;
  EXPECT_EQ(Contents(second), "new") << "both names see the save";
}

TEST(WindowsSockets, ConnectsSendsAndHearsTheEnd) {
  std::string error;
  std::string host;
  uint16_t port = 0;
  const SocketHandle listener = ListenTcp({"127.0.0.1", false}, 0, &error, &host, &port);
  ASSERT_NE(listener, kNoSocket) << error;
  EXPECT_EQ(host, "127.0.0.1");
  std::vector<SocketAddress> addresses;
  ASSERT_EQ(LookUpHost("127.0.0.1", port, true, addresses), 0);
  SocketHandle client = kNoSocket;
  ASSERT_EQ(StartConnect(addresses.front(), &client), 0);
  EXPECT_EQ(FinishConnect(client, 5000), std::optional<int>(0));
  ASSERT_TRUE(WaitSocket(listener, WaitFor::Read, 5000));
  SocketStatus status;
  const SocketHandle served = AcceptConnection(listener, &status);
  ASSERT_NE(served, kNoSocket);
  PrepareConnection(served);
  EXPECT_EQ(Receive(served, nullptr, 0, &status), 0u);
  EXPECT_EQ(status, SocketStatus::WouldBlock) << "an accepted connection never blocks";
  ASSERT_EQ(::send(static_cast<SOCKET>(client), "*IDN?\n", 6, 0), 6);
  ASSERT_TRUE(WaitSocket(served, WaitFor::Read, 5000));
  char buffer[16];
  EXPECT_EQ(Receive(served, buffer, sizeof buffer, &status), 6u);
  CloseSocket(client);
  ASSERT_TRUE(WaitSocket(served, WaitFor::Read, 5000));
  Receive(served, buffer, sizeof buffer, &status);
  EXPECT_TRUE(status == SocketStatus::Ended || status == SocketStatus::Failed);
  CloseSocket(served);
  CloseSocket(listener);

  // Nothing listens there any more: refused, in the words every system uses.
  ASSERT_EQ(StartConnect(addresses.front(), &client), 0);
  const std::optional<int> refused = FinishConnect(client, 5000);
  CloseSocket(client);
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(*refused, ECONNREFUSED) << SocketErrorText(*refused);
}

TEST(WindowsSerialPort, PortsThatAreNotThereOrNoSerialPortsSayWhy) {
  SerialPort port;
  int error = 0;
  std::string reason;
  EXPECT_EQ(port.Open("COM239", 4800, &error, &reason), SerialPort::OpenResult::CannotOpen);
  EXPECT_EQ(error, ENOENT) << reason;
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(InspectDeviceFile("COM239").kind, DeviceFileKind::Missing);

  const fs::path file = fs::path(::testing::TempDir()) / "korvane_not_a_port.txt";
  std::ofstream(file) << "x";
  EXPECT_EQ(port.Open(file.string(), 4800, &error, &reason), SerialPort::OpenResult::CannotConfigure);
  EXPECT_FALSE(port.IsOpen()) << "closed again";
  fs::remove(file);

  // A remembered COM port is kept while its adapter is unplugged; the list holds COM names only.
  EXPECT_TRUE(MayBeSerialDevice("COM239"));
  for (const SerialDevice& device : ListSerialDevices()) EXPECT_EQ(device.name.rfind("COM", 0), 0u) << device.name;
}

}  // namespace
}  // namespace korvane::platform

#endif  // _WIN32
