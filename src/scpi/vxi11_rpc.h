// ONC RPC over TCP as VXI-11 uses it: XDR numbers and opaques, record marking, call headers and
// replies, and the arguments of the VXI-11 core and abort procedures. Every length read from the
// wire is checked against a cap before anything is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::scpi::rpc {

// A record (all its fragments) may be this long; a longer one ends the connection.
inline constexpr size_t kMaxRecordBytes = 64 * 1024;
// Records received and not yet taken before the reader refuses more.
inline constexpr size_t kMaxQueuedRecords = 8;
// Data of one device_write, which create_link announces as the largest it takes.
inline constexpr size_t kMaxWriteBytes = 32 * 1024;
// Bytes one device_read returns at most, whatever the client asks for.
inline constexpr size_t kMaxReadBytes = 32 * 1024;
// Device names ("inst0") and the body of a credential or verifier (RPC allows 400 bytes).
inline constexpr size_t kMaxNameBytes = 256;
inline constexpr size_t kMaxAuthBytes = 400;

inline constexpr uint32_t kCoreProgram = 0x0607AF;
inline constexpr uint32_t kAbortProgram = 0x0607B0;
// The interrupt channel: the device calls the client's device_intr_srq.
inline constexpr uint32_t kInterruptProgram = 0x0607B1;
// The handle a client gives device_enable_srq, returned with each service request.
inline constexpr size_t kMaxSrqHandleBytes = 40;
inline constexpr uint32_t kVxi11Version = 1;
inline constexpr uint32_t kPortmapProgram = 100000;
inline constexpr uint32_t kPortmapVersion = 2;
inline constexpr uint32_t kIpProtoTcp = 6;

// Procedures of the core channel, and the abort channel's one.
enum Procedure : uint32_t {
  kNull = 0,
  kDeviceAbort = 1,
  kCreateLink = 10,
  kDeviceWrite = 11,
  kDeviceRead = 12,
  kDeviceReadStb = 13,
  kDeviceTrigger = 14,
  kDeviceClear = 15,
  kDeviceRemote = 16,
  kDeviceLocal = 17,
  kDeviceLock = 18,
  kDeviceUnlock = 19,
  kDeviceEnableSrq = 20,
  kDeviceDoCmd = 22,
  kDestroyLink = 23,
  kCreateIntrChan = 25,
  kDestroyIntrChan = 26,
  kDeviceIntrSrq = 30,
};

// device_error codes.
enum DeviceError : int32_t {
  kNoDeviceError = 0,
  kSyntaxError = 1,
  kDeviceNotAccessible = 3,
  kInvalidLinkId = 4,
  kParameterError = 5,
  kChannelNotEstablished = 6,
  kOperationNotSupported = 8,
  kOutOfResources = 9,
  kDeviceLocked = 11,
  kNoLockHeld = 12,
  kIoTimeout = 15,
  kIoError = 17,
  kAborted = 23,
  kChannelAlreadyEstablished = 29,
};

// Operation flags and the reasons a read ended.
inline constexpr int32_t kFlagWaitLock = 1;
inline constexpr int32_t kFlagEnd = 8;
inline constexpr int32_t kFlagTermChar = 128;
inline constexpr int32_t kReasonRequestCount = 1;
inline constexpr int32_t kReasonTermChar = 2;
inline constexpr int32_t kReasonEnd = 4;

// Reads XDR items in order; after the first item that is missing or too long every read fails.
class XdrReader {
 public:
  explicit XdrReader(std::string_view data) : data_(data) {}
  bool U32(uint32_t& value);
  bool I32(int32_t& value);
  bool Bool(bool& value);
  // A variable-length opaque or string of at most maxBytes, with its padding.
  bool Opaque(std::string& value, size_t maxBytes);
  bool SkipOpaque(size_t maxBytes);
  std::string_view Rest() const { return data_; }
  bool ok() const { return ok_; }

 private:
  bool Take(size_t n, std::string_view& out);
  std::string_view data_;
  bool ok_ = true;
};

class XdrWriter {
 public:
  void U32(uint32_t value);
  void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
  void Opaque(std::string_view value);
  const std::string& data() const { return data_; }
  std::string Take() { return std::move(data_); }

 private:
  std::string data_;
};

// Puts a record on the wire as one last fragment.
std::string Frame(std::string_view record);

// Collects records from the fragments of a TCP stream.
class RecordReader {
 public:
  // Takes bytes as they arrive: false once a fragment or a record is longer than kMaxRecordBytes
  // (nothing after that can be trusted). Feed only while Full() is false.
  bool Feed(std::string_view bytes);
  bool Full() const { return records_.size() >= kMaxQueuedRecords; }
  std::optional<std::string> Next();

 private:
  std::deque<std::string> records_;
  std::string header_;
  std::string record_;
  uint32_t fragmentLeft_ = 0;
  bool inFragment_ = false;
  bool lastFragment_ = false;
  bool failed_ = false;
};

struct Call {
  uint32_t xid = 0;
  uint32_t program = 0;
  uint32_t version = 0;
  uint32_t procedure = 0;
  std::string_view arguments;
};

// A record read as a call: the call to run, or the reply a bad call gets at once (wrong RPC
// version, a credential too long); neither for a record that is no call at all (it is ignored).
struct ParsedCall {
  std::optional<Call> call;
  std::string reply;
};
ParsedCall ParseCall(std::string_view record);

// Accept states of a reply.
enum AcceptStat : uint32_t {
  kSuccess = 0,
  kProgUnavail = 1,
  kProgMismatch = 2,
  kProcUnavail = 3,
  kGarbageArgs = 4,
};
// A reply that accepts the call: `results` follow a successful one; a version mismatch carries
// the versions served.
std::string AcceptedReply(uint32_t xid, AcceptStat stat, std::string_view results = {});
std::string ProgramMismatchReply(uint32_t xid, uint32_t low, uint32_t high);

// A call record with no credential, and the results of a successful reply to it (nullopt for any
// other reply or another xid).
std::string CallRecord(uint32_t xid, uint32_t program, uint32_t version, uint32_t procedure,
                       std::string_view arguments);
std::optional<std::string_view> ReplyResults(std::string_view record, uint32_t xid);

// The arguments of the VXI-11 procedures, one struct for all: each procedure reads its fields.
struct DeviceArgs {
  int32_t link = 0;
  int32_t clientId = 0;
  bool lockDevice = false;
  int32_t flags = 0;
  uint32_t ioTimeoutMs = 0;
  uint32_t lockTimeoutMs = 0;
  uint32_t requestSize = 0;
  int32_t termChar = 0;
  std::string data;     // device_write's data, create_link's device name, device_enable_srq's handle
  bool enable = false;  // device_enable_srq
  // create_intr_chan: where the client's interrupt channel listens, and what it serves.
  uint32_t hostAddr = 0;
  uint32_t hostPort = 0;
  uint32_t progNum = 0;
  uint32_t progVers = 0;
  int32_t progFamily = 0;  // 0: TCP
};
// nullopt: the arguments do not fit the procedure (or one is over its cap), or the procedure is
// not one this reader knows.
std::optional<DeviceArgs> DecodeDeviceArgs(uint32_t program, uint32_t procedure, std::string_view arguments);

}  // namespace korvane::scpi::rpc
