// VXI-11 below the sockets: records cut into fragments, RPC calls good and bad, and the core
// procedures run against the demo board's instrument through the SCPI server's queue.
#include <gtest/gtest.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "link/demo_board.h"
#include "platform/server_sockets.h"
#include "scpi/vxi11_core.h"
#include "scpi/vxi11_rpc.h"
#include "scpi/vxi11_server.h"
#include "session/board_session.h"
#include "support/demo_instrument.h"

namespace korvane::scpi {
namespace {

using namespace rpc;

std::string Words(std::initializer_list<uint32_t> words) {
  XdrWriter w;
  for (const uint32_t word : words) w.U32(word);
  return w.Take();
}

TEST(Vxi11Rpc, RecordsAreReassembledFromFragmentsAndBounded) {
  const std::string big(kMaxRecordBytes - 100, 'x');
  const struct {
    std::string stream;
    size_t piece;  // bytes fed at a time
    std::vector<std::string> records;
    bool ok;
  } cases[] = {
      {Frame("abcd") + Frame("ef"), 1, {"abcd", "ef"}, true},
      {Words({3}) + "abc" + Words({0x80000002}) + "de", 3, {"abcde"}, true},
      {Words({0x80000000}) + Frame("z"), 64, {"", "z"}, true},
      {Words({0x80000000 | (kMaxRecordBytes + 1)}), 64, {}, false},
      // Each fragment fits; together they are too long.
      {Words({static_cast<uint32_t>(big.size())}) + big + Frame(std::string(200, 'y')), 4096, {}, false},
  };
  for (const auto& c : cases) {
    RecordReader reader;
    bool ok = true;
    for (size_t at = 0; at < c.stream.size() && ok; at += c.piece) ok = reader.Feed(c.stream.substr(at, c.piece));
    std::vector<std::string> records;
    while (const auto r = reader.Next()) records.push_back(*r);
    EXPECT_EQ(ok, c.ok) << c.stream.size();
    EXPECT_EQ(records, c.records) << c.stream.size();
  }
}

// Opaque data is padded to whole words: what follows it is read from the next word, whether the
// data is kept or skipped.
TEST(Vxi11Rpc, WhatFollowsOpaqueDataIsReadAfterItsPadding) {
  for (const std::string data : {"", "a", "ab", "abc", "abcd", "abcde"}) {
    const std::string record = [&] {
      XdrWriter w;
      w.Opaque(data);
      w.U32(0xCAFEF00D);
      return w.Take();
    }();
    EXPECT_EQ(record.size() % 4, 0u) << data;
    for (const bool skip : {false, true}) {
      XdrReader r(record);
      std::string read;
      EXPECT_TRUE(skip ? r.SkipOpaque(16) : r.Opaque(read, 16)) << data;
      uint32_t word = 0;
      EXPECT_TRUE(r.U32(word)) << data;
      EXPECT_EQ(word, 0xCAFEF00Du) << data << (skip ? " skipped" : " kept");
      if (!skip) {
        EXPECT_EQ(read, data);
      }
    }
  }
}

// The demo board's instrument behind a SCPI server (its lines run from the event loop) and the
// VXI-11 device.
struct Bench {
  Bench() {
    // Board pauses and time-outs run on a clock the test moves.
    instrument = test::ConnectDemoInstrument(session, clock);
    EXPECT_NE(instrument, nullptr);
    server = std::make_unique<ScpiServer>(*instrument, clock);
    EXPECT_TRUE(server->Listen(QHostAddress::LocalHost, 0));
    core = std::make_unique<Vxi11Core>(*server, clock, 4242);
  }
  // Lets the server run what is queued.
  static void Settle() {
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
  }

  int argc = 1;
  char name[8] = "test";
  char* argv[1] = {name};
  QCoreApplication app{argc, argv};
  test::ManualClock clock;
  link::DemoStore demo;
  session::BoardSession session{clock, demo};
  std::unique_ptr<Instrument> instrument;
  std::unique_ptr<ScpiServer> server;
  std::unique_ptr<Vxi11Core> core;
};

// A reply record as text: "rpc denied ...", "rpc STAT" for a call not run, else the procedure's
// results ("ERROR" and what follows it).
std::string Describe(uint32_t procedure, const std::string& reply, uint32_t xid) {
  const std::optional<std::string_view> results = ReplyResults(reply, xid);
  XdrReader r(results ? *results : std::string_view(reply));
  uint32_t word = 0;
  std::string text = results ? "" : "rpc";
  if (!results) {
    for (int i = 0; i < 3; ++i) r.U32(word);  // xid, reply, accepted or denied
    if (word == 1) text += " denied";
    if (word == 0 && r.U32(word)) r.SkipOpaque(kMaxAuthBytes);  // the verifier
    while (r.U32(word)) text += " " + std::to_string(word);
    return text;
  }
  const std::map<uint32_t, std::vector<std::string>> fields = {{kCreateLink, {" link ", " abort ", " max "}},
                                                               {kDeviceWrite, {" size "}},
                                                               {kDeviceReadStb, {" stb "}},
                                                               {kDeviceRead, {" reason "}}};
  int32_t error = 0;
  r.I32(error);
  text = std::to_string(error);
  const auto named = fields.find(procedure);
  for (const std::string& field : named == fields.end() ? std::vector<std::string>{} : named->second) {
    r.U32(word);
    text += field + std::to_string(word);
  }
  std::string data;
  if (procedure == kDeviceRead && r.Opaque(data, kMaxReadBytes)) text += " '" + data + "'";
  EXPECT_TRUE(r.ok()) << text;
  return text;
}

std::string Opaque(const std::string& bytes) {
  XdrWriter w;
  w.Opaque(bytes);
  return w.Take();
}
std::string CreateLinkArgs(const std::string& device, bool lock = false, uint32_t lockTimeoutMs = 0) {
  return Words({7, lock ? 1u : 0u, lockTimeoutMs}) + Opaque(device);
}
std::string WriteArgs(int32_t link, const std::string& data, int32_t flags = kFlagEnd) {
  return Words({static_cast<uint32_t>(link), 0, 0, static_cast<uint32_t>(flags)}) + Opaque(data);
}
std::string ReadArgs(int32_t link, uint32_t size, uint32_t ioTimeoutMs = 0, int termChar = -1) {
  return Words({static_cast<uint32_t>(link), size, ioTimeoutMs, 0,
                termChar < 0 ? 0u : static_cast<uint32_t>(kFlagTermChar), static_cast<uint32_t>(termChar & 0xFF)});
}
// device_readstb, _trigger, _clear, _remote, _local; device_lock reads the first three.
std::string Generic(int32_t link, int32_t flags = 0, uint32_t lockTimeoutMs = 0) {
  return Words({static_cast<uint32_t>(link), static_cast<uint32_t>(flags), lockTimeoutMs, 0});
}
std::string LinkArg(int32_t link) { return Words({static_cast<uint32_t>(link)}); }

constexpr uint32_t kRetry = 1000;  // not a call: retries the connection's waiting call
constexpr uint32_t kRaw = 1001;    // args hold a whole record

TEST(Vxi11Core, ProceduresFollowTheLinkLockReadAndErrorRules) {
  Bench bench;
  const struct {
    int connection;
    uint32_t procedure;
    std::string args;
    std::string expected;   // "waits": the call has no reply yet
    int64_t advanceMs = 0;  // the clock moves first
    uint32_t program = kCoreProgram;
  } steps[] = {
      {1, kCreateLink, CreateLinkArgs("inst0"), "0 link 1 abort 4242 max 32768"},
      {2, kCreateLink, CreateLinkArgs("INST0"), "0 link 2 abort 4242 max 32768"},
      {2, kCreateLink, CreateLinkArgs("gpib0,5"), "3 link 0 abort 0 max 0"},
      // Each line end and the END flag end a message; each reply is a message of its own.
      {1, kDeviceWrite, WriteArgs(1, "*OPC?;*OPC?\nSYST:ERR?"), "0 size 21"},
      {1, kDeviceRead, ReadArgs(1, 1), "0 reason 1 '1'"},
      {1, kDeviceRead, ReadArgs(1, 100, 0, ';'), "0 reason 2 ';'"},
      {1, kDeviceRead, ReadArgs(1, 2), "0 reason 5 '1\n'"},
      {1, kDeviceRead, ReadArgs(1, 100, 0, '\n'), "0 reason 6 '0,\"No error\"\n'"},
      {1, kDeviceRead, ReadArgs(1, 100), "15 reason 0 ''"},
      // A message without END waits for the rest of its line.
      {1, kDeviceWrite, WriteArgs(1, "*OP", 0), "0 size 3"},
      {1, kDeviceRead, ReadArgs(1, 100), "15 reason 0 ''"},
      {1, kDeviceWrite, WriteArgs(1, "C?"), "0 size 2"},
      {1, kDeviceRead, ReadArgs(1, 100), "0 reason 4 '1\n'"},
      // Errors stay with the link that made them; the status byte shows them, and a reply waiting.
      {2, kDeviceWrite, WriteArgs(2, "BOGUS\r\n*OPC?\n"), "0 size 13"},
      {2, kDeviceReadStb, Generic(2), "0 stb 20"},
      // A read with nothing to answer queued -420; a new message discards a reply not read with -410.
      {1, kDeviceReadStb, Generic(1), "0 stb 4"},
      {1, kDeviceWrite, WriteArgs(1, "*OPC?"), "0 size 5"},
      {1, kDeviceWrite, WriteArgs(1, "SYST:ERR:ALL?"), "0 size 13"},
      {1, kDeviceRead, ReadArgs(1, 200),
       "0 reason 4 '-420,\"Query UNTERMINATED\",-420,\"Query UNTERMINATED\",-410,\"Query INTERRUPTED\"\n'"},
      {2, kDeviceClear, Generic(2), "0"},
      {2, kDeviceRead, ReadArgs(2, 100), "15 reason 0 ''"},
      {2, kDeviceWrite, WriteArgs(2, "SYST:ERR?"), "0 size 9"},
      {2, kDeviceRead, ReadArgs(2, 100), "0 reason 4 '-113,\"Undefined header\"\n'"},
      {1, kDeviceTrigger, Generic(1), "0"},
      {1, kDeviceWrite, WriteArgs(99, "*RST"), "4 size 0"},
      {1, kDestroyLink, LinkArg(99), "4"},
      {1, kDeviceUnlock, LinkArg(1), "12"},
      // The lock: others are refused at once, or wait for it as long as they asked.
      {1, kDeviceLock, Generic(1), "0"},
      {2, kDeviceWrite, WriteArgs(2, "*RST"), "11 size 0"},
      {2, kDeviceLock, Generic(2), "11"},
      {2, kDeviceLock, Generic(2, kFlagWaitLock, 500), "waits"},
      {2, kRetry, "", "waits", 499},
      {2, kRetry, "", "11", 1},
      {2, kCreateLink, CreateLinkArgs("inst0", true, 100), "waits"},
      {1, kDeviceUnlock, LinkArg(1), "0"},
      {2, kRetry, "", "0 link 3 abort 4242 max 32768"},
      {1, kDeviceRead, Generic(1) + Words({0, 0}), "11 reason 0 ''"},
      {2, kDestroyLink, LinkArg(3), "0"},
      // A read waits for its time-out, or until the abort channel ends it.
      {1, kDeviceRead, ReadArgs(1, 100, 1000), "waits"},
      {1, kRetry, "", "15 reason 0 ''", 1000},
      {1, kDeviceRead, ReadArgs(1, 100, 1000), "waits"},
      {3, kDeviceAbort, LinkArg(1), "0", 0, kAbortProgram},
      {1, kRetry, "", "23 reason 0 ''"},
      {3, kDeviceAbort, LinkArg(5), "4", 0, kAbortProgram},
      // A link is its connection's own: to any other it is no link at all.
      {2, kDeviceLock, Generic(1), "4"},
      {2, kDeviceUnlock, LinkArg(1), "4"},
      {2, kDeviceWrite, WriteArgs(1, "*RST"), "4 size 0"},
      {2, kDeviceRead, ReadArgs(1, 100), "4 reason 0 ''"},
      {2, kDeviceReadStb, Generic(1), "4 stb 0"},
      {2, kDeviceClear, Generic(1), "4"},
      {2, kDestroyLink, LinkArg(1), "4"},
      {1, kDeviceReadStb, Generic(1), "0 stb 4"},
      // The interrupt channel: TCP, program 0x0607B1 version 1, one per connection.
      {1, kCreateIntrChan, "", "rpc 4"},
      {1, kCreateIntrChan, Words({0x7F000001, 5000, kInterruptProgram, 1, 1}), "8"},
      {1, kCreateIntrChan, Words({0x7F000001, 5000, kAbortProgram, 1, 0}), "5"},
      {1, kCreateIntrChan, Words({0x7F000001, 5000, kInterruptProgram, 1, 0}), "0"},
      {1, kCreateIntrChan, Words({0x7F000001, 5000, kInterruptProgram, 1, 0}), "29"},
      {1, kDestroyIntrChan, "", "0"},
      {1, kDestroyIntrChan, "", "6"},
      {1, kDeviceEnableSrq, Words({1, 1}) + Opaque("h1"), "0"},
      {2, kDeviceEnableSrq, Words({1, 1}) + Opaque("h1"), "4"},
      {1, kDeviceEnableSrq, Words({1, 1}) + Opaque(std::string(41, 'h')), "rpc 4"},
      // Calls the device does not run.
      {1, kDeviceWrite, LinkArg(1), "rpc 4"},
      {1, kDeviceWrite, WriteArgs(1, std::string(kMaxWriteBytes + 1, 'x')), "rpc 4"},
      {1, 21, "", "rpc 3"},
      {1, kDeviceAbort, LinkArg(1), "rpc 1", 0, 0x0607B1},
      {1, kRaw, CallRecord(9, kCoreProgram, 2, kDeviceClear, Generic(1)), "rpc 2 1 1"},
      {1, kRaw, Words({9, 0, 3}), "rpc denied 0 2 2"},
      {1, kRaw, Words({9, 0, 2, kCoreProgram, 1, 0, 1, 401}) + std::string(404, 'c'), "rpc denied 1 1"},
      {1, kRaw, Words({9, 1, 0, 0}), ""},
  };
  std::map<int, std::pair<uint32_t, uint32_t>> waiting;  // procedure and xid of each connection's call
  uint32_t xid = 100;
  for (const auto& s : steps) {
    bench.clock.now += s.advanceMs;
    Bench::Settle();
    std::optional<std::string> reply;
    uint32_t procedure = s.procedure;
    uint32_t callXid = ++xid;
    if (s.procedure == kRetry) {
      std::tie(procedure, callXid) = waiting[s.connection];
      reply = bench.core->Retry(s.connection);
    } else {
      const std::string record =
          s.procedure == kRaw ? s.args : CallRecord(callXid, s.program, kVxi11Version, s.procedure, s.args);
      const ParsedCall parsed = ParseCall(record);
      if (s.procedure == kRaw) callXid = 9;
      reply = parsed.call ? bench.core->Start(s.connection, *parsed.call) : parsed.reply;
      waiting[s.connection] = {s.procedure, callXid};
    }
    const std::string got = !reply ? "waits" : reply->empty() ? "" : Describe(procedure, *reply, callXid);
    EXPECT_EQ(got, s.expected) << "step " << (&s - steps) << " procedure " << s.procedure;
  }
}

// The results of a call run at once (the test's calls do not wait).
std::string Results(Vxi11Core& core, int connection, uint32_t procedure, const std::string& args) {
  const std::string record = CallRecord(1, kCoreProgram, kVxi11Version, procedure, args);
  const ParsedCall parsed = ParseCall(record);
  const std::optional<std::string> reply = core.Start(connection, *parsed.call);
  return reply ? Describe(procedure, *reply, 1) : "waits";
}

// A socket client's line as the server queues it: the reply goes nowhere.
struct OtherClient : LineClient {
  void LineRan(std::optional<std::string> reply) override { replies += reply.value_or("-") + "|"; }
  size_t UnreadBytes() const override { return 0; }
  std::string replies;
};

TEST(Vxi11Core, LinksAreSharedOutAndTheLockHoldsEveryOtherClient) {
  Bench bench;
  // One connection gets its share of the links, and others still get theirs.
  for (size_t i = 0; i < kMaxLinksPerConnection; ++i) {
    EXPECT_EQ(Results(*bench.core, 1, kCreateLink, CreateLinkArgs("inst0")).substr(0, 2), "0 ") << i;
  }
  EXPECT_EQ(Results(*bench.core, 1, kCreateLink, CreateLinkArgs("inst0")), "9 link 0 abort 0 max 0");
  const int32_t link = static_cast<int32_t>(kMaxLinksPerConnection + 1);
  EXPECT_EQ(Results(*bench.core, 2, kCreateLink, CreateLinkArgs("inst0")), "0 link 17 abort 4242 max 32768");
  bench.core->CloseConnection(1);

  // While the link holds the lock, another client's lines wait; they run once it is released.
  OtherClient other;
  const ClientId otherId = bench.server->AddLineClient(other);
  EXPECT_EQ(Results(*bench.core, 2, kDeviceLock, Generic(link)), "0");
  bench.server->SubmitLine(otherId, "*OPC?");
  EXPECT_EQ(Results(*bench.core, 2, kDeviceWrite, WriteArgs(link, "*OPC?")), "0 size 5");
  Bench::Settle();
  EXPECT_EQ(other.replies, "");
  EXPECT_EQ(Results(*bench.core, 2, kDeviceRead, ReadArgs(link, 100)), "0 reason 4 '1\n'");
  // A connection that vanishes gives the lock back.
  bench.core->CloseConnection(2);
  Bench::Settle();
  EXPECT_EQ(other.replies, "1|");
  bench.server->RemoveLineClient(otherId);
}

// The replies of lines that have not run yet when a new message comes are discarded as they come.
TEST(Vxi11Core, ANewMessageInterruptsRepliesStillToCome) {
  Bench bench;
  EXPECT_EQ(Results(*bench.core, 1, kCreateLink, CreateLinkArgs("inst0")), "0 link 1 abort 4242 max 32768");
  EXPECT_EQ(Results(*bench.core, 1, kDeviceWrite, WriteArgs(1, "*IDN?\n*OPC?\n")), "0 size 12");
  // Without END the message goes on: its lines keep their replies.
  EXPECT_EQ(Results(*bench.core, 1, kDeviceWrite, WriteArgs(1, "*OPC?\n", 0)), "0 size 6");
  EXPECT_EQ(Results(*bench.core, 1, kDeviceWrite, WriteArgs(1, "*OPC?")), "0 size 5");
  EXPECT_EQ(Results(*bench.core, 1, kDeviceWrite, WriteArgs(1, "SYST:ERR:COUN?")), "0 size 14");
  Bench::Settle();
  EXPECT_EQ(Results(*bench.core, 1, kDeviceRead, ReadArgs(1, 100)), "0 reason 4 '4\n'");
  EXPECT_EQ(Results(*bench.core, 1, kDeviceRead, ReadArgs(1, 100)), "15 reason 0 ''");
}

#ifdef __GLIBC__
// Unread replies are counted by what they take: a link that reads none of 5000 short replies
// costs the server about what it is told, not ten times as much.
TEST(Vxi11Core, UnreadRepliesCostWhatTheServerCounts) {
  Bench bench;
  EXPECT_EQ(Results(*bench.core, 1, kCreateLink, CreateLinkArgs("inst0")), "0 link 1 abort 4242 max 32768");
  // One message of 5000 lines (a newer message would discard the replies of an older one).
  std::string lines;
  for (int i = 0; i < 5000; ++i) lines += "*OPC?\n";
  Bench::Settle();
  const size_t heapBefore = mallinfo2().uordblks;
  EXPECT_EQ(Results(*bench.core, 1, kDeviceWrite, WriteArgs(1, lines)), "0 size 30000");
  // Until every line has run.
  for (size_t last = 0, still = 0; still < 20; ++still) {
    Bench::Settle();
    if (bench.server->TotalUnreadBytes() != last) still = 0;
    last = bench.server->TotalUnreadBytes();
  }
  const size_t counted = bench.server->TotalUnreadBytes();
  const size_t heapGrowth = mallinfo2().uordblks - heapBefore;
  EXPECT_GE(counted, 5000u * 2);
  EXPECT_LT(heapGrowth, counted + counted / 2 + 64 * 1024) << counted;
  // Every reply is read back, and then the memory goes back.
  int replies = 0;
  for (int idle = 0; replies < 5000 && idle < 100;) {
    if (Results(*bench.core, 1, kDeviceRead, ReadArgs(1, 100)) == "0 reason 4 '1\n'") {
      ++replies;
    } else {
      Bench::Settle();
      ++idle;
    }
  }
  EXPECT_EQ(replies, 5000);

  EXPECT_EQ(bench.server->TotalUnreadBytes(), 0u);
}
#endif

// A blocking RPC client over TCP, for the server with its sockets.
class RpcClient {
 public:
  explicit RpcClient(uint16_t port) {
    std::vector<platform::SocketAddress> addresses;
    platform::LookUpHost("127.0.0.1", port, true, addresses);
    if (addresses.empty() || platform::StartConnect(addresses[0], &socket_) != 0) return;
    while (!platform::FinishConnect(socket_, 10)) QCoreApplication::processEvents();
  }
  ~RpcClient() { Close(); }
  void Close() {
    if (socket_ != platform::kNoSocket) platform::CloseSocket(socket_);
    socket_ = platform::kNoSocket;
  }
  void Send(uint32_t procedure, const std::string& args) {
    const std::string record = Frame(CallRecord(++xid_, kCoreProgram, kVxi11Version, procedure, args));
    platform::SocketStatus status;
    platform::SendSome(socket_, record.data(), record.size(), &status);
  }
  // The results of the reply to the last call, as Describe puts them; "none" when no reply came
  // while the server's events ran `rounds` times.
  std::string Answer(uint32_t procedure, int rounds = 2000) {
    for (int i = 0; i < rounds; ++i) {
      QCoreApplication::processEvents();
      char buffer[4096];
      platform::SocketStatus status;
      const size_t n = platform::Receive(socket_, buffer, sizeof buffer, &status);
      if (n > 0) records_.Feed(std::string_view(buffer, n));
      if (const auto record = records_.Next()) return Describe(procedure, *record, xid_);
      if (status != platform::SocketStatus::Ok && status != platform::SocketStatus::WouldBlock) break;
      platform::WaitSocket(socket_, platform::WaitFor::Read, 1);
    }
    return "none";
  }

 private:
  platform::SocketHandle socket_ = platform::kNoSocket;
  RecordReader records_;
  uint32_t xid_ = 0;
};

// A client that vanishes while its read waits (for 49 days) gives back its lock, its link and its
// descriptor at once: another client takes the lock, and the descriptors do not pile up.
TEST(Vxi11Server, AClientThatVanishesMidCallLeavesNothingBehind) {
  Bench bench;
  Vxi11Server server(*bench.server, bench.clock);
  ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
  const int descriptors = platform::OpenDescriptorCount();
  for (int run = 0; run < 30; ++run) {
    RpcClient gone(server.Port());
    gone.Send(kCreateLink, CreateLinkArgs("inst0", true, 2000));
    const std::string created = gone.Answer(kCreateLink);
    ASSERT_EQ(created.substr(0, 7), "0 link ") << run;
    gone.Send(kDeviceRead, ReadArgs(std::stoi(created.substr(7)), 100, 0xFFFFFFFF));
    EXPECT_EQ(gone.Answer(kDeviceRead, 20), "none");
    gone.Close();
    RpcClient next(server.Port());
    next.Send(kCreateLink, CreateLinkArgs("inst0", true, 2000));
    // The lock asked for with the link waits until the vanished client's is released.
    EXPECT_EQ(next.Answer(kCreateLink).substr(0, 2), "0 ") << run;
  }
  for (int i = 0; i < 50; ++i) Bench::Settle();
  EXPECT_EQ(platform::OpenDescriptorCount(), descriptors);
}

// A script waits for the end of a sweep with *OPC, *ESE 1 and *SRE 32: the device calls
// device_intr_srq on the interrupt channel the client created, with the handle it gave.
TEST(Vxi11Server, TheEndOfASweepIsAServiceRequest) {
#ifdef _WIN32
  // Under Wine the request does not reach the test's listener within the wait; service requests
  // on Windows are yet to be looked into.
  GTEST_SKIP() << "service requests are not checked on Windows yet";
#endif
  Bench bench;
  Vxi11Server server(*bench.server, bench.clock);
  ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
  QTcpServer listener;  // the client's interrupt channel
  ASSERT_TRUE(listener.listen(QHostAddress::LocalHost, 0));
  RpcClient client(server.Port());
  client.Send(kCreateLink, CreateLinkArgs("inst0"));
  const std::string created = client.Answer(kCreateLink);
  ASSERT_EQ(created.substr(0, 7), "0 link ");
  const auto link = static_cast<uint32_t>(std::stoi(created.substr(7)));
  client.Send(kCreateIntrChan, Words({0x7F000001, listener.serverPort(), kInterruptProgram, 1, 0}));
  ASSERT_EQ(client.Answer(kCreateIntrChan), "0");
  client.Send(kDeviceEnableSrq, Words({link, 1}) + Opaque("sweep-done"));
  ASSERT_EQ(client.Answer(kDeviceEnableSrq), "0");
  client.Send(kDeviceWrite, WriteArgs(static_cast<int32_t>(link),
                                      "*CLS;*ESE 1;*SRE 32;:LIST:FREQ 1GHZ,2GHZ,3GHZ;:FREQ:MODE LIST;:INIT;*OPC"));
  ASSERT_EQ(client.Answer(kDeviceWrite), "0 size 72");

  // The request comes once the sweep has run its three points.
  RecordReader records;
  std::optional<std::string> record;
  QTcpSocket* channel = nullptr;
  for (int i = 0; i < 5000 && !record; ++i) {
    QCoreApplication::processEvents();
    if (!channel && listener.hasPendingConnections()) channel = listener.nextPendingConnection();
    if (channel && channel->waitForReadyRead(1)) records.Feed(channel->readAll().toStdString());
    record = records.Next();
  }
  ASSERT_TRUE(record) << "no device_intr_srq";
  const ParsedCall call = ParseCall(*record);
  ASSERT_TRUE(call.call);
  EXPECT_EQ(call.call->program, kInterruptProgram);
  EXPECT_EQ(call.call->version, 1u);
  EXPECT_EQ(call.call->procedure, kDeviceIntrSrq);
  EXPECT_EQ(call.call->arguments, Opaque("sweep-done"));
  EXPECT_FALSE(bench.instrument->Sweeping());
  // The status byte tells why: the event summary and the request.
  client.Send(kDeviceReadStb, Generic(static_cast<int32_t>(link)));
  EXPECT_EQ(client.Answer(kDeviceReadStb), "0 stb 96");
}

}  // namespace
}  // namespace korvane::scpi
