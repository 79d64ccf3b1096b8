// The Telnet reader and writer on their own: what reaches the board, what the server is told.
#include "link/telnet_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/byte_string.h"

namespace korvane::link {
namespace {

using namespace telnet;

using test::ByteString;

// What ser2net sends first when a client connects to a telnet(rfc2217) port.
const std::string kSer2NetGreeting =
    ByteString({kIac, kWill, 3,   kIac, kDo,  3,     kIac, kWill, 1,   kIac,          kDont,
                1,    kIac,  kDo, 0,    kIac, kWill, 0,    kIac,  kDo, kOptionComPort});

struct Received {
  std::string data;
  std::string answer;
};

// A client that has made its offers, as on a real connection.
Received Feed(TelnetCodec& codec, const std::vector<std::string>& pieces) {
  Received r;
  for (const std::string& piece : pieces) codec.Receive(piece, r.data, r.answer);
  return r;
}

TEST(TelnetCodec, SeparatesDataFromCommandsAndAnswersOnlyWhatMustBe) {
  const struct {
    const char* name;
    std::vector<std::string> pieces;
    std::string data;
    std::string answer;
  } cases[] = {
      {"plain data, NUL included", {std::string("OK;\0\n", 5)}, std::string("OK;\0\n", 5), ""},
      {"a doubled 0xFF is one data byte",
       {ByteString({'T', ' ', kIac, kIac, ';'})},
       ByteString({'T', ' ', 0xFF, ';'}),
       ""},
      {"a doubled 0xFF split between reads",
       {ByteString({'a', kIac}), ByteString({kIac, 'b'})},
       ByteString({'a', 0xFF, 'b'}),
       ""},
      {"ser2net's greeting: only its echo is refused", {kSer2NetGreeting}, "", ByteString({kIac, kDont, kOptionEcho})},
      {"the greeting byte by byte",
       [] {
         std::vector<std::string> one;
         for (char c : kSer2NetGreeting) one.emplace_back(1, c);
         return one;
       }(),
       "", ByteString({kIac, kDont, kOptionEcho})},
      {"unknown options refused once each",
       {ByteString({kIac, kDo, 24, kIac, kDo, 24, kIac, kWill, 31, kIac, kWill, 31})},
       "",
       ByteString({kIac, kWont, 24, kIac, kDont, 31})},
      {"serial-port control is ours, never the server's",
       {ByteString({kIac, kWill, kOptionComPort})},
       "",
       ByteString({kIac, kDont, kOptionComPort})},
      {"switching binary off is agreed to",
       {ByteString({kIac, kDo, 0, kIac, kDont, 0})},
       "",
       ByteString({kIac, kWont, 0})},
      {"a request to stop what is off is not answered", {ByteString({kIac, kWont, 1, kIac, kDont, 24})}, "", ""},
      {"no-op, go-ahead, data mark and a stray end vanish",
       {ByteString({'a', kIac, 241, 'b', kIac, 249, 'c', kIac, 242, kIac, kSe, 'd'})},
       "abcd",
       ""},
      {"other options' subnegotiations vanish", {ByteString({'a', kIac, kSb, 24, 1, kIac, kSe, 'b'})}, "ab", ""},
      {"a command inside a subnegotiation ends it and counts",
       {ByteString({kIac, kSb, kOptionComPort, 101, 0, kIac, kWill, 24, 'x'})},
       "x",
       ByteString({kIac, kDont, 24})},
  };
  for (const auto& c : cases) {
    TelnetCodec codec;
    codec.Start();
    const Received r = Feed(codec, c.pieces);
    EXPECT_EQ(r.data, c.data) << c.name;
    EXPECT_EQ(r.answer, c.answer) << c.name;
  }
}

TEST(TelnetCodec, CarriageReturnsFollowTheBinaryAgreement) {
  const struct {
    const char* name;
    bool serverRefusesBinary;
    std::string received;
    std::string data;
    std::string sent;
  } cases[] = {
      {"binary: NUL after CR is the board's", false, std::string("a\r\0b", 4), std::string("a\r\0b", 4), "\r"},
      {"text mode: CR NUL is a lone CR", true, std::string("a\r\0b", 4), "a\rb", std::string("\r\0", 2)},
  };
  for (const auto& c : cases) {
    TelnetCodec codec;
    codec.Start();
    Feed(codec, {c.serverRefusesBinary ? ByteString({kIac, kWont, 0, kIac, kDont, 0})
                                       : ByteString({kIac, kWill, 0, kIac, kDo, 0})});
    EXPECT_EQ(Feed(codec, {c.received}).data, c.data) << c.name;
    EXPECT_EQ(codec.Encode("\r"), c.sent) << c.name;
    EXPECT_EQ(codec.Encode(ByteString({'W', 0xFF, 0xFF})), ByteString({'W', kIac, kIac, kIac, kIac})) << c.name;
  }
}

TEST(TelnetCodec, SerialPortRepliesAreCollectedOnlyOnceAgreed) {
  const std::string baud4800 = ByteString({kIac, kSb, kOptionComPort, 101, 0, 0, 0x12, 0xC0, kIac, kSe});
  const std::string escapedValue = ByteString({kIac, kSb, kOptionComPort, 101, 0, 0, kIac, kIac, 0, kIac, kSe});
  const std::string agree = ByteString({kIac, kDo, kOptionComPort});
  const std::string refuse = ByteString({kIac, kDont, kOptionComPort});
  const struct {
    const char* name;
    std::string received;
    TelnetCodec::Negotiation state;
    std::vector<ComPortReply> replies;
  } cases[] = {
      {"offered, not yet answered", baud4800, TelnetCodec::Negotiation::Pending, {}},
      {"agreed", agree + baud4800, TelnetCodec::Negotiation::Agreed, {{kSetBaudRate, ByteString({0, 0, 0x12, 0xC0})}}},
      {"refused", refuse + baud4800, TelnetCodec::Negotiation::Refused, {}},
      {"a value with 0xFF in it",
       agree + escapedValue,
       TelnetCodec::Negotiation::Agreed,
       {{kSetBaudRate, ByteString({0, 0, 0xFF, 0})}}},
      {"a request the client makes, sent back, is no reply",
       agree + ByteString({kIac, kSb, kOptionComPort, kSetBaudRate, 0, 0, 0x12, 0xC0, kIac, kSe}),
       TelnetCodec::Negotiation::Agreed,
       {}},
      {"an over-long subnegotiation is dropped whole",
       agree + ByteString({kIac, kSb, kOptionComPort, 101}) +
           std::string(TelnetCodec::kMaxSubnegotiationBytes, '\x01') + ByteString({kIac, kSe}) + baud4800,
       TelnetCodec::Negotiation::Agreed,
       {{kSetBaudRate, ByteString({0, 0, 0x12, 0xC0})}}},
  };
  for (const auto& c : cases) {
    TelnetCodec codec;
    codec.Start();
    const Received r = Feed(codec, {c.received});
    EXPECT_EQ(r.data, "") << c.name;
    EXPECT_EQ(codec.ComPort(), c.state) << c.name;
    EXPECT_EQ(codec.TakeComPortReplies(), c.replies) << c.name;
    EXPECT_TRUE(codec.TakeComPortReplies().empty()) << c.name;
  }
  EXPECT_EQ(ComPortReply({kSetBaudRate, ByteString({0, 0, 0x12, 0xC0})}).Number(), 4800u);
  // Values longer than their width are read from their first bytes.
  EXPECT_EQ(ComPortReply({kSetBaudRate, ByteString({0, 0, 0x12, 0xC0, 0, 0, 0, 0})}).Number(), 4800u);
  EXPECT_EQ(ComPortReply({kSetDataSize, ByteString({8, 0, 0, 0})}).Number(1), 8u);
}

// A hostile server: whatever it repeats, the answers and the memory stay small.
TEST(TelnetCodec, NothingAServerRepeatsGrowsWithoutBound) {
  const struct {
    const char* name;
    std::string unit;
  } cases[] = {
      {"the same unknown option", ByteString({kIac, kDo, 24, kIac, kWill, 24})},
      {"binary on and off", ByteString({kIac, kDont, 0, kIac, kDo, 0, kIac, kWont, 0, kIac, kWill, 0})},
      {"every option there is",
       [] {
         std::string all;
         for (int option = 0; option < 256; ++option) all += ByteString({kIac, kDo, option, kIac, kWill, option});
         return all;
       }()},
      {"serial-port replies", ByteString({kIac, kDo, kOptionComPort, kIac, kSb, kOptionComPort, 107, 0x30, kIac, kSe})},
      {"an endless subnegotiation", ByteString({kIac, kSb, kOptionComPort, 101}) + std::string(1000, 'x')},
  };
  for (const auto& c : cases) {
    TelnetCodec codec;
    codec.Start();
    std::string data;
    std::string answer;
    for (int i = 0; i < 2000; ++i) codec.Receive(c.unit, data, answer);
    // At most a refusal for each option in each direction, and a few agreements.
    EXPECT_LE(answer.size(), 2u * 256 * 3 + 2 * 3 * TelnetCodec::kMaxOptionChanges) << c.name;
    EXPECT_LE(codec.TakeComPortReplies().size(), TelnetCodec::kMaxPendingReplies) << c.name;
    EXPECT_EQ(data, "") << c.name;
  }
}

TEST(TelnetCodec, SerialPortRequestsDoubleA0xFFInTheirValue) {
  EXPECT_EQ(TelnetCodec::ComPortRequest(kSetBaudRate, ByteString({0, 0, 0xFF, 0xFF})),
            ByteString({kIac, kSb, kOptionComPort, kSetBaudRate, 0, 0, kIac, kIac, kIac, kIac, kIac, kSe}));
}

}  // namespace
}  // namespace korvane::link
