#include "scpi/vxi11_rpc.h"

namespace korvane::scpi::rpc {

namespace {

constexpr uint32_t kRpcVersion = 2;
constexpr uint32_t kCallMessage = 0;
constexpr uint32_t kReplyMessage = 1;
constexpr uint32_t kMsgAccepted = 0;
constexpr uint32_t kMsgDenied = 1;
constexpr uint32_t kRpcMismatch = 0;
constexpr uint32_t kAuthError = 1;
constexpr uint32_t kAuthBadCred = 1;
constexpr uint32_t kAuthNone = 0;
constexpr uint32_t kLastFragment = 0x80000000u;

size_t Padded(size_t n) { return (n + 3) & ~size_t{3}; }

std::string ReplyHeader(uint32_t xid, uint32_t replyStat) {
  XdrWriter w;
  w.U32(xid);
  w.U32(kReplyMessage);
  w.U32(replyStat);
  return w.Take();
}

}  // namespace

bool XdrReader::Take(size_t n, std::string_view& out) {
  if (!ok_ || data_.size() < n) {
    ok_ = false;
    return false;
  }
  out = data_.substr(0, n);
  data_.remove_prefix(n);
  return true;
}

bool XdrReader::U32(uint32_t& value) {
  std::string_view bytes;
  if (!Take(4, bytes)) return false;
  value = 0;
  for (const char c : bytes) value = (value << 8) | static_cast<unsigned char>(c);
  return true;
}

bool XdrReader::I32(int32_t& value) {
  uint32_t raw = 0;
  if (!U32(raw)) return false;
  value = static_cast<int32_t>(raw);
  return true;
}

bool XdrReader::Bool(bool& value) {
  uint32_t raw = 0;
  if (!U32(raw)) return false;
  // A bool is 0 or 1; anything else is not XDR.
  if (raw > 1) ok_ = false;
  value = raw == 1;
  return ok_;
}

bool XdrReader::Opaque(std::string& value, size_t maxBytes) {
  uint32_t length = 0;
  if (!U32(length)) return false;
  std::string_view bytes;
  if (length > maxBytes || length > data_.size()) {
    ok_ = false;
    return false;
  }
  if (!Take(Padded(length), bytes)) return false;
  value.assign(bytes.substr(0, length));
  return true;
}

bool XdrReader::SkipOpaque(size_t maxBytes) {
  uint32_t length = 0;
  std::string_view bytes;
  if (!U32(length)) return false;
  if (length > maxBytes) {
    ok_ = false;
    return false;
  }
  return Take(Padded(length), bytes);
}

void XdrWriter::U32(uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) data_.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void XdrWriter::Opaque(std::string_view value) {
  U32(static_cast<uint32_t>(value.size()));
  data_.append(value);
  data_.append(Padded(value.size()) - value.size(), '\0');
}

std::string Frame(std::string_view record) {
  XdrWriter w;
  w.U32(kLastFragment | static_cast<uint32_t>(record.size()));
  std::string framed = w.Take();
  framed.append(record);
  return framed;
}

bool RecordReader::Feed(std::string_view bytes) {
  while (!failed_ && !bytes.empty()) {
    if (!inFragment_) {
      const size_t n = std::min(bytes.size(), 4 - header_.size());
      header_.append(bytes.substr(0, n));
      bytes.remove_prefix(n);
      if (header_.size() < 4) break;
      XdrReader r(header_);
      uint32_t word = 0;
      r.U32(word);
      header_.clear();
      lastFragment_ = (word & kLastFragment) != 0;
      fragmentLeft_ = word & ~kLastFragment;
      // The cap is checked on the announced length, before any of it is kept.
      if (fragmentLeft_ > kMaxRecordBytes - record_.size()) {
        failed_ = true;
        std::string().swap(record_);
        break;
      }
      inFragment_ = true;
    }
    const size_t n = std::min<size_t>(bytes.size(), fragmentLeft_);
    record_.append(bytes.substr(0, n));
    bytes.remove_prefix(n);
    fragmentLeft_ -= static_cast<uint32_t>(n);
    if (fragmentLeft_ == 0) {
      inFragment_ = false;
      if (lastFragment_) {
        records_.push_back(std::move(record_));
        record_.clear();
      }
    }
  }
  return !failed_;
}

std::optional<std::string> RecordReader::Next() {
  if (records_.empty()) return std::nullopt;
  std::string record = std::move(records_.front());
  records_.pop_front();
  return record;
}

ParsedCall ParseCall(std::string_view record) {
  ParsedCall parsed;
  XdrReader r(record);
  uint32_t xid = 0, type = 0, rpcVersion = 0;
  if (!r.U32(xid) || !r.U32(type) || type != kCallMessage || !r.U32(rpcVersion)) return parsed;
  if (rpcVersion != kRpcVersion) {
    XdrWriter w;
    w.U32(kRpcMismatch);
    w.U32(kRpcVersion);
    w.U32(kRpcVersion);
    parsed.reply = ReplyHeader(xid, kMsgDenied) + w.data();
    return parsed;
  }
  Call call;
  call.xid = xid;
  uint32_t flavor = 0;
  if (!r.U32(call.program) || !r.U32(call.version) || !r.U32(call.procedure)) return parsed;
  // Any credential is taken (the instrument has no users); a body longer than RPC allows is refused.
  for (int i = 0; i < 2; ++i) {
    if (!r.U32(flavor) || !r.SkipOpaque(kMaxAuthBytes)) {
      XdrWriter w;
      w.U32(kAuthError);
      w.U32(kAuthBadCred);
      parsed.reply = ReplyHeader(xid, kMsgDenied) + w.data();
      return parsed;
    }
  }
  call.arguments = r.Rest();
  parsed.call = call;
  return parsed;
}

std::string AcceptedReply(uint32_t xid, AcceptStat stat, std::string_view results) {
  XdrWriter w;
  w.U32(kAuthNone);
  w.Opaque({});
  w.U32(stat);
  std::string reply = ReplyHeader(xid, kMsgAccepted) + w.data();
  if (stat == kSuccess) reply.append(results);
  return reply;
}

std::string ProgramMismatchReply(uint32_t xid, uint32_t low, uint32_t high) {
  XdrWriter w;
  w.U32(low);
  w.U32(high);
  return AcceptedReply(xid, kProgMismatch) + w.data();
}

std::string CallRecord(uint32_t xid, uint32_t program, uint32_t version, uint32_t procedure,
                       std::string_view arguments) {
  XdrWriter w;
  w.U32(xid);
  w.U32(kCallMessage);
  w.U32(kRpcVersion);
  w.U32(program);
  w.U32(version);
  w.U32(procedure);
  for (int i = 0; i < 2; ++i) {
    w.U32(kAuthNone);
    w.Opaque({});
  }
  std::string record = w.Take();
  record.append(arguments);
  return record;
}

std::optional<std::string_view> ReplyResults(std::string_view record, uint32_t xid) {
  XdrReader r(record);
  uint32_t gotXid = 0, type = 0, replyStat = 0, flavor = 0, acceptStat = 0;
  if (!r.U32(gotXid) || gotXid != xid || !r.U32(type) || type != kReplyMessage || !r.U32(replyStat) ||
      replyStat != kMsgAccepted || !r.U32(flavor) || !r.SkipOpaque(kMaxAuthBytes) || !r.U32(acceptStat) ||
      acceptStat != kSuccess) {
    return std::nullopt;
  }
  return r.Rest();
}

std::optional<DeviceArgs> DecodeDeviceArgs(uint32_t program, uint32_t procedure, std::string_view arguments) {
  XdrReader r(arguments);
  DeviceArgs a;
  if (program == kAbortProgram) {
    if (procedure != kDeviceAbort) return std::nullopt;
    r.I32(a.link);
  } else if (program != kCoreProgram) {
    return std::nullopt;
  } else {
    switch (procedure) {
      case kCreateLink:
        r.I32(a.clientId);
        r.Bool(a.lockDevice);
        r.U32(a.lockTimeoutMs);
        r.Opaque(a.data, kMaxNameBytes);
        break;
      case kDeviceWrite:
        r.I32(a.link);
        r.U32(a.ioTimeoutMs);
        r.U32(a.lockTimeoutMs);
        r.I32(a.flags);
        r.Opaque(a.data, kMaxWriteBytes);
        break;
      case kDeviceRead:
        r.I32(a.link);
        r.U32(a.requestSize);
        r.U32(a.ioTimeoutMs);
        r.U32(a.lockTimeoutMs);
        r.I32(a.flags);
        r.I32(a.termChar);
        break;
      case kDeviceReadStb:
      case kDeviceTrigger:
      case kDeviceClear:
      case kDeviceRemote:
      case kDeviceLocal:
        r.I32(a.link);
        r.I32(a.flags);
        r.U32(a.lockTimeoutMs);
        r.U32(a.ioTimeoutMs);
        break;
      case kDeviceLock:
        r.I32(a.link);
        r.I32(a.flags);
        r.U32(a.lockTimeoutMs);
        break;
      case kDeviceUnlock:
      case kDestroyLink:
        r.I32(a.link);
        break;
      case kDeviceEnableSrq:
        r.I32(a.link);
        r.Bool(a.enable);
        r.Opaque(a.data, kMaxSrqHandleBytes);
        break;
      case kCreateIntrChan:
        r.U32(a.hostAddr);
        r.U32(a.hostPort);
        r.U32(a.progNum);
        r.U32(a.progVers);
        r.I32(a.progFamily);
        break;
      case kDestroyIntrChan:
        break;
      default:
        return std::nullopt;
    }
  }
  if (!r.ok()) return std::nullopt;
  return a;
}

}  // namespace korvane::scpi::rpc
