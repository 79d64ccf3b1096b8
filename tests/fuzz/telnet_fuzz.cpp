// Feeds arbitrary bytes, as a hostile or broken server might send them, to the Telnet
// reader in pieces of arbitrary size: answers, replies and data must stay bounded, and data
// escaped for the wire must read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/telnet_codec.h"

using korvane::link::ComPortReply;
using korvane::link::TelnetCodec;
namespace telnet = korvane::link::telnet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses how the rest is cut into reads.
  const size_t piece = 1 + data[0] % 16;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

  TelnetCodec codec;
  codec.Start();
  std::string received;
  std::string answer;
  size_t replies = 0;
  for (size_t at = 0; at < input.size(); at += piece) {
    codec.Receive(input.substr(at, piece), received, answer);
    for (const ComPortReply& reply : codec.TakeComPortReplies()) {
      if (reply.value.size() >= TelnetCodec::kMaxSubnegotiationBytes) std::abort();
      ++replies;
    }
  }
  if (received.size() > input.size()) std::abort();
  if (answer.size() > 2 * 256 * 3 + 2 * 3 * TelnetCodec::kMaxOptionChanges) std::abort();
  if (replies > input.size() / 5) std::abort();  // a reply takes IAC SB 44 n IAC SE at least

  // Whatever the server agreed to, what the client escapes reads back as it was written.
  TelnetCodec writer;
  TelnetCodec reader;
  std::string ignored;
  const std::string binary = {static_cast<char>(telnet::kIac),          static_cast<char>(telnet::kDo),
                              static_cast<char>(telnet::kOptionBinary), static_cast<char>(telnet::kIac),
                              static_cast<char>(telnet::kWill),         static_cast<char>(telnet::kOptionBinary)};
  writer.Receive(binary, ignored, ignored);
  reader.Receive(binary, ignored, ignored);
  std::string roundTrip;
  reader.Receive(writer.Encode(input), roundTrip, ignored);
  if (roundTrip != input) std::abort();
  return 0;
}
