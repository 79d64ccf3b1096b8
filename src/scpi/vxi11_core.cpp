#include "scpi/vxi11_core.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace korvane::scpi {

namespace {

std::string ErrorOnly(int32_t error) {
  rpc::XdrWriter w;
  w.I32(error);
  return w.Take();
}

// The one device this instrument has, as VISA names it by default.
bool IsOurDevice(std::string_view name) {
  constexpr std::string_view kDevice = "inst0";
  return name.size() == kDevice.size() && std::equal(name.begin(), name.end(), kDevice.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

int64_t Deadline(int64_t now, uint32_t timeoutMs) { return now + static_cast<int64_t>(timeoutMs); }

}  // namespace

// A link: the lines it writes go to the server; the replies wait here, one message each, until
// device_read takes them. They are kept end to end in one buffer, so that a million short
// replies cost what their bytes and lengths do, and that is what the server is told.
class Vxi11Core::Link : public LineClient {
 public:
  Link(Vxi11Core& core, int connection) : core_(core), connection_(connection) {}

  void LineRan(std::optional<std::string> reply) override {
    if (discardNext_ > 0) {
      // A line of a message that a newer one interrupted: its reply is not wanted any more.
      --discardNext_;
      if (reply) {
        core_.server_.instrument().QueueError(client, kQueryInterrupted);
        reply.reset();
      }
    }
    if (reply) {
      // Room already read is given back before the buffer would grow.
      if (offset_ > 0 && buffer_.size() + reply->size() + 1 > buffer_.capacity()) {
        buffer_.erase(0, offset_);
        offset_ = 0;
      }
      buffer_.append(*reply);
      buffer_.push_back('\n');
      lengths_.push_back(static_cast<uint32_t>(reply->size() + 1));
    }
    core_.Changed();
  }
  // What the unread replies hold in memory: the buffer and each message's length.
  size_t UnreadBytes() const override {
    return lengths_.empty() ? 0 : buffer_.capacity() + lengths_.size() * sizeof(uint32_t);
  }

  // A device_write that begins a new message (the one before ended with END) while replies of
  // the earlier ones are unread or to come: they are discarded with "Query INTERRUPTED", so a
  // script that missed a read gets the answer to its new query, not a stale one.
  void BeginMessage(size_t pendingLines) {
    if (!messageEnded_) return;
    if (HasReply()) {
      DropReplies();
      core_.server_.instrument().QueueError(client, kQueryInterrupted);
    }
    discardNext_ = pendingLines;
  }

  // Takes the bytes of one device_write; a message ends at each line end and at END.
  void Receive(std::string_view data, bool end) {
    messageEnded_ = end;
    while (!data.empty()) {
      const size_t lineEnd = data.find('\n');
      const std::string_view piece = data.substr(0, lineEnd);
      if (!overrun_) {
        if (partial_.size() + piece.size() > kMaxLineBytes) {
          overrun_ = true;
          std::string().swap(partial_);
        } else {
          partial_.append(piece);
        }
      }
      if (lineEnd == std::string_view::npos) break;
      data.remove_prefix(lineEnd + 1);
      Submit();
    }
    if (end && (overrun_ || !partial_.empty())) Submit();
  }

  // Up to `most` bytes of the oldest reply, stopping after termChar when it is given; the reasons
  // the read ended.
  int32_t Take(size_t most, std::optional<char> termChar, std::string& out) {
    const std::string_view message = std::string_view(buffer_).substr(offset_, lengths_.front());
    size_t n = std::min(most, message.size());
    int32_t reason = 0;
    if (termChar) {
      const size_t at = message.find(*termChar);
      if (at != std::string::npos && at < n) {
        n = at + 1;
        reason |= rpc::kReasonTermChar;
      }
    }
    out.assign(message.substr(0, n));
    offset_ += n;
    lengths_.front() -= static_cast<uint32_t>(n);
    if (n == most) reason |= rpc::kReasonRequestCount;
    if (lengths_.front() == 0) {
      reason |= rpc::kReasonEnd;
      lengths_.pop_front();
    }
    if (lengths_.empty()) {
      // Everything read: the memory goes back.
      std::string().swap(buffer_);
      std::deque<uint32_t>().swap(lengths_);
      offset_ = 0;
    }
    return reason;
  }
  bool HasReply() const { return !lengths_.empty(); }

  // A device clear: what was received and not run, and the replies not read, are dropped.
  void Clear() {
    std::string().swap(partial_);
    overrun_ = false;
    messageEnded_ = true;
    discardNext_ = 0;
    DropReplies();
  }

  int connection() const { return connection_; }
  ClientId client = 0;
  bool srqEnabled = false;
  std::string srqHandle;
  bool requested = false;  // bit 6 of the status byte when last looked at

 private:
  void Submit() {
    if (!overrun_ && !partial_.empty() && partial_.back() == '\r') partial_.pop_back();
    // An empty line runs nothing and answers nothing: it is not queued, so that a write of line
    // ends costs no more than its bytes.
    if (overrun_ || !partial_.empty()) core_.server_.SubmitLine(client, std::move(partial_), overrun_);
    partial_.clear();
    overrun_ = false;
  }

  void DropReplies() {
    std::string().swap(buffer_);
    std::deque<uint32_t>().swap(lengths_);
    offset_ = 0;
  }

  Vxi11Core& core_;
  int connection_;
  bool messageEnded_ = true;  // the last device_write carried END
  size_t discardNext_ = 0;    // lines to come whose replies a newer message interrupted
  std::string partial_;
  bool overrun_ = false;
  std::string buffer_;            // the unread replies from offset_ on, end to end
  std::deque<uint32_t> lengths_;  // the unread part of each message
  size_t offset_ = 0;             // bytes at the start of buffer_ already read
};

Vxi11Core::Vxi11Core(ScpiServer& server, Clock& clock, uint16_t abortPort)
    : server_(server), clock_(clock), abortPort_(abortPort) {
  // A sweep that ends sets a status bit without any line of a link running.
  server_.turnEnded = [this] { CheckServiceRequests(); };
}

Vxi11Core::~Vxi11Core() {
  server_.turnEnded = nullptr;
  changed = nullptr;
  interrupt = nullptr;
  interruptClosed = nullptr;
  while (!links_.empty()) DestroyLink(links_.begin()->first);
}

void Vxi11Core::Changed() {
  CheckServiceRequests();
  if (changed) changed();
}

Vxi11Core::Link* Vxi11Core::Find(int32_t id) {
  const auto found = links_.find(id);
  return found == links_.end() ? nullptr : found->second.get();
}

Vxi11Core::Link* Vxi11Core::Find(int32_t id, int connection) {
  Link* link = Find(id);
  return link && link->connection() == connection ? link : nullptr;
}

void Vxi11Core::SetLock(int32_t id) {
  lockHolder_ = id;
  const Link* holder = id ? Find(id) : nullptr;
  server_.HoldFor(holder ? holder->client : 0);
}

std::optional<std::string> Vxi11Core::Start(int connection, const rpc::Call& call) {
  const bool core = call.program == rpc::kCoreProgram;
  if (!core && call.program != rpc::kAbortProgram) return rpc::AcceptedReply(call.xid, rpc::kProgUnavail);
  if (call.version != rpc::kVxi11Version) {
    return rpc::ProgramMismatchReply(call.xid, rpc::kVxi11Version, rpc::kVxi11Version);
  }
  if (call.procedure == rpc::kNull) return rpc::AcceptedReply(call.xid, rpc::kSuccess);
  if (core) {
    // The instrument has no commands beyond its SCPI lines.
    switch (call.procedure) {
      case rpc::kDeviceDoCmd: {
        rpc::XdrWriter w;
        w.I32(rpc::kOperationNotSupported);
        w.Opaque({});
        return rpc::AcceptedReply(call.xid, rpc::kSuccess, w.data());
      }
      default:
        break;
    }
  }
  const bool known = core ? (call.procedure >= rpc::kCreateLink && call.procedure <= rpc::kDeviceEnableSrq) ||
                                call.procedure == rpc::kDestroyLink || call.procedure == rpc::kCreateIntrChan ||
                                call.procedure == rpc::kDestroyIntrChan
                          : call.procedure == rpc::kDeviceAbort;
  if (!known) return rpc::AcceptedReply(call.xid, rpc::kProcUnavail);
  std::optional<rpc::DeviceArgs> args = rpc::DecodeDeviceArgs(call.program, call.procedure, call.arguments);
  if (!args) return rpc::AcceptedReply(call.xid, rpc::kGarbageArgs);
  if (call.procedure == rpc::kCreateIntrChan || call.procedure == rpc::kDestroyIntrChan) {
    return rpc::AcceptedReply(call.xid, rpc::kSuccess, ErrorOnly(InterruptChannel(connection, *args, call.procedure)));
  }

  Waiting w;
  w.xid = call.xid;
  w.procedure = call.procedure;
  w.args = std::move(*args);
  const int64_t now = clock_.NowMs();
  w.lockDeadlineMs = Deadline(now, w.args.lockTimeoutMs);
  w.ioDeadlineMs = Deadline(now, w.args.ioTimeoutMs);
  // The abort channel answers at once, even while the same connection's core call waits.
  if (!core) {
    int32_t error = rpc::kInvalidLinkId;
    if (Find(w.args.link)) {
      error = rpc::kNoDeviceError;
      for (auto& [id, other] : waiting_) {
        if (other.args.link == w.args.link) other.aborted = true;
      }
      Changed();
    }
    return rpc::AcceptedReply(call.xid, rpc::kSuccess, ErrorOnly(error));
  }
  if (std::optional<std::string> results = Attempt(connection, w)) {
    return rpc::AcceptedReply(call.xid, rpc::kSuccess, *results);
  }
  waiting_[connection] = std::move(w);
  return std::nullopt;
}

std::optional<std::string> Vxi11Core::Retry(int connection) {
  const auto found = waiting_.find(connection);
  if (found == waiting_.end()) return std::nullopt;
  std::optional<std::string> results = Attempt(connection, found->second);
  if (!results) return std::nullopt;
  std::string reply = rpc::AcceptedReply(found->second.xid, rpc::kSuccess, *results);
  waiting_.erase(found);
  return reply;
}

std::optional<int64_t> Vxi11Core::NextDeadlineMs() const {
  std::optional<int64_t> first;
  for (const auto& [connection, w] : waiting_) {
    if (!first || w.wakeMs < *first) first = w.wakeMs;
  }
  return first;
}

std::nullopt_t Vxi11Core::Wait(Waiting& call, int64_t deadlineMs) {
  call.wakeMs = deadlineMs;
  return std::nullopt;
}

std::optional<int32_t> Vxi11Core::LockCheck(Waiting& call) {
  if (lockHolder_ == 0 || lockHolder_ == call.args.link) return rpc::kNoDeviceError;
  if (!(call.args.flags & rpc::kFlagWaitLock) || clock_.NowMs() >= call.lockDeadlineMs) return rpc::kDeviceLocked;
  return Wait(call, call.lockDeadlineMs);
}

std::optional<std::string> Vxi11Core::Attempt(int connection, Waiting& call) {
  const rpc::DeviceArgs& a = call.args;
  if (call.procedure == rpc::kCreateLink) {
    // The lock asked for with the link is waited for up to its time-out, as device_lock does.
    if (a.lockDevice && lockHolder_ != 0) {
      if (clock_.NowMs() < call.lockDeadlineMs) return Wait(call, call.lockDeadlineMs);
      rpc::XdrWriter w;
      for (int32_t v : {static_cast<int32_t>(rpc::kDeviceLocked), 0, 0, 0}) w.I32(v);
      return w.Take();
    }
    return CreateLink(connection, a);
  }
  Link* link = Find(a.link, connection);
  std::string results;
  if (!link) {
    results = ErrorOnly(rpc::kInvalidLinkId);
    if (call.procedure == rpc::kDeviceWrite || call.procedure == rpc::kDeviceReadStb) {
      results += ErrorOnly(0);
    } else if (call.procedure == rpc::kDeviceRead) {
      results += ErrorOnly(0) + ErrorOnly(0);
    }
    return results;
  }
  // Aborted from the abort channel.
  if (call.aborted) {
    if (call.procedure == rpc::kDeviceWrite || call.procedure == rpc::kDeviceReadStb) {
      return ErrorOnly(rpc::kAborted) + ErrorOnly(0);
    }
    if (call.procedure == rpc::kDeviceRead) return ErrorOnly(rpc::kAborted) + ErrorOnly(0) + ErrorOnly(0);
    return ErrorOnly(rpc::kAborted);
  }
  switch (call.procedure) {
    case rpc::kDeviceLock:
      if (lockHolder_ != 0 && lockHolder_ != a.link) {
        if ((a.flags & rpc::kFlagWaitLock) && clock_.NowMs() < call.lockDeadlineMs) {
          return Wait(call, call.lockDeadlineMs);
        }
        return ErrorOnly(rpc::kDeviceLocked);
      }
      SetLock(a.link);
      return ErrorOnly(rpc::kNoDeviceError);
    case rpc::kDeviceUnlock:
      if (lockHolder_ != a.link) return ErrorOnly(rpc::kNoLockHeld);
      SetLock(0);
      Changed();
      return ErrorOnly(rpc::kNoDeviceError);
    case rpc::kDestroyLink:
      DestroyLink(a.link);
      return ErrorOnly(rpc::kNoDeviceError);
    case rpc::kDeviceEnableSrq:
      link->srqEnabled = a.enable;
      link->srqHandle = a.data;
      // A request already standing is not sent again; the next one that comes is.
      link->requested = (server_.instrument().StatusByte(link->client, link->HasReply()) & kMasterSummaryBit) != 0;
      return ErrorOnly(rpc::kNoDeviceError);
    default:
      break;
  }
  const std::optional<int32_t> lock = LockCheck(call);
  if (!lock) return std::nullopt;
  if (*lock != rpc::kNoDeviceError) {
    results = ErrorOnly(*lock);
    if (call.procedure == rpc::kDeviceWrite || call.procedure == rpc::kDeviceReadStb) {
      results += ErrorOnly(0);
    } else if (call.procedure == rpc::kDeviceRead) {
      results += ErrorOnly(0) + ErrorOnly(0);
    }
    return results;
  }
  switch (call.procedure) {
    case rpc::kDeviceWrite:
      return Write(*link, call);
    case rpc::kDeviceRead:
      return Read(*link, call);
    case rpc::kDeviceReadStb: {
      rpc::XdrWriter w;
      w.I32(rpc::kNoDeviceError);
      w.U32(static_cast<uint32_t>(server_.instrument().StatusByte(link->client, link->HasReply())));
      return w.Take();
    }
    case rpc::kDeviceTrigger:
      // The group execute trigger is *TRG, in its turn with the link's lines.
      server_.SubmitLine(link->client, "*TRG");
      return ErrorOnly(rpc::kNoDeviceError);
    case rpc::kDeviceClear:
      server_.ClearLines(link->client);
      link->Clear();
      return ErrorOnly(rpc::kNoDeviceError);
    case rpc::kDeviceRemote:
    case rpc::kDeviceLocal:
      // The board has no front panel to lock out: both are accepted and change nothing.
      return ErrorOnly(rpc::kNoDeviceError);
    default:
      return ErrorOnly(rpc::kOperationNotSupported);
  }
}

std::string Vxi11Core::CreateLink(int connection, const rpc::DeviceArgs& args) {
  rpc::XdrWriter w;
  const auto held = std::count_if(links_.begin(), links_.end(),
                                  [connection](const auto& l) { return l.second->connection() == connection; });
  if (!IsOurDevice(args.data) || links_.size() >= kMaxVxi11Links ||
      static_cast<size_t>(held) >= kMaxLinksPerConnection) {
    w.I32(IsOurDevice(args.data) ? rpc::kOutOfResources : rpc::kDeviceNotAccessible);
    w.I32(0);
    w.U32(0);
    w.U32(0);
    return w.Take();
  }
  const int32_t id = nextLink_;
  // Link ids stay positive and are not reused while the server runs (until they wrap).
  nextLink_ = nextLink_ == std::numeric_limits<int32_t>::max() ? 1 : nextLink_ + 1;
  auto link = std::make_unique<Link>(*this, connection);
  link->client = server_.AddLineClient(*link);
  links_[id] = std::move(link);
  if (args.lockDevice) SetLock(id);
  w.I32(rpc::kNoDeviceError);
  w.I32(id);
  w.U32(abortPort_);
  w.U32(static_cast<uint32_t>(rpc::kMaxWriteBytes));
  return w.Take();
}

std::optional<std::string> Vxi11Core::Write(Link& link, Waiting& call) {
  rpc::XdrWriter w;
  // Past the queue limit the write waits for the link's lines to run, as a socket client's
  // lines wait in TCP.
  if (server_.PendingLines(link.client) >= kMaxQueuedLines) {
    if (clock_.NowMs() < call.ioDeadlineMs) return Wait(call, call.ioDeadlineMs);
    w.I32(rpc::kIoTimeout);
    w.U32(0);
    return w.Take();
  }
  link.BeginMessage(server_.PendingLines(link.client));
  link.Receive(call.args.data, (call.args.flags & rpc::kFlagEnd) != 0);
  w.I32(rpc::kNoDeviceError);
  w.U32(static_cast<uint32_t>(call.args.data.size()));
  return w.Take();
}

std::optional<std::string> Vxi11Core::Read(Link& link, Waiting& call) {
  rpc::XdrWriter w;
  if (!link.HasReply()) {
    // Nothing to read: a line that is still to run may answer; otherwise the read times out as
    // an instrument with nothing to say does.
    if (clock_.NowMs() < call.ioDeadlineMs) return Wait(call, call.ioDeadlineMs);
    server_.instrument().QueueError(link.client, kQueryUnterminated);
    w.I32(rpc::kIoTimeout);
    w.I32(0);
    w.Opaque({});
    return w.Take();
  }
  const size_t most = std::min<size_t>(call.args.requestSize, rpc::kMaxReadBytes);
  std::optional<char> termChar;
  if (call.args.flags & rpc::kFlagTermChar) termChar = static_cast<char>(call.args.termChar & 0xFF);
  std::string data;
  int32_t reason = link.Take(most, termChar, data);
  // A read cut short by the cap is not what the client asked for: it reads on.
  if (most < call.args.requestSize && data.size() == most) reason &= ~rpc::kReasonRequestCount;
  w.I32(rpc::kNoDeviceError);
  w.I32(reason);
  w.Opaque(data);
  return w.Take();
}

void Vxi11Core::DestroyLink(int32_t id, bool vanished) {
  const auto found = links_.find(id);
  if (found == links_.end()) return;
  // A link destroyed by its client has its lines run (write and leave); one whose client vanished has not.
  server_.RemoveLineClient(found->second->client, vanished);
  links_.erase(found);
  if (lockHolder_ == id) SetLock(0);
  Changed();
}

int32_t Vxi11Core::InterruptChannel(int connection, const rpc::DeviceArgs& args, uint32_t procedure) {
  if (procedure == rpc::kDestroyIntrChan) {
    if (!channels_.erase(connection)) return rpc::kChannelNotEstablished;
    if (interruptClosed) interruptClosed(connection);
    return rpc::kNoDeviceError;
  }
  if (channels_.count(connection)) return rpc::kChannelAlreadyEstablished;
  // Only the TCP channel of the interrupt program, version 1, is served.
  if (args.progFamily != 0) return rpc::kOperationNotSupported;
  if (args.progNum != rpc::kInterruptProgram || args.progVers != rpc::kVxi11Version || args.hostPort == 0 ||
      args.hostPort > 0xFFFF) {
    return rpc::kParameterError;
  }
  channels_[connection] = {args.hostAddr, static_cast<uint16_t>(args.hostPort)};
  return rpc::kNoDeviceError;
}

void Vxi11Core::CheckServiceRequests() {
  for (auto& [id, link] : links_) {
    const bool requested = (server_.instrument().StatusByte(link->client, link->HasReply()) & kMasterSummaryBit) != 0;
    const bool rising = requested && !link->requested;
    link->requested = requested;
    if (!rising || !link->srqEnabled || !interrupt) continue;
    const auto channel = channels_.find(link->connection());
    if (channel == channels_.end()) continue;
    rpc::XdrWriter args;
    args.Opaque(link->srqHandle);
    interrupt(
        link->connection(), channel->second.host, channel->second.port,
        rpc::CallRecord(++interruptXid_, rpc::kInterruptProgram, rpc::kVxi11Version, rpc::kDeviceIntrSrq, args.data()));
  }
}

void Vxi11Core::CloseConnection(int connection) {
  if (channels_.erase(connection) && interruptClosed) interruptClosed(connection);
  waiting_.erase(connection);
  std::vector<int32_t> gone;
  for (const auto& [id, link] : links_) {
    if (link->connection() == connection) gone.push_back(id);
  }
  for (const int32_t id : gone) DestroyLink(id, true);
}

}  // namespace korvane::scpi
