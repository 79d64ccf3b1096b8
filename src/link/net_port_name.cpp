#include "link/net_port_name.h"

#include <cctype>

#include "synth/number_text.h"

namespace korvane::link {

namespace {

constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::string_view kRfc2217Scheme = "rfc2217://";
// Longer than any DNS name; keeps a pasted paragraph out of the resolver.
constexpr size_t kMaxHostLength = 253;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

bool IsHostNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_'; }

bool IsIpv6Char(char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'; }

std::optional<uint16_t> ParsePort(std::string_view text) {
  const std::optional<uint64_t> value = text.size() <= 5 ? ReadDigits(text, 65535) : std::nullopt;
  if (!value || *value == 0) return std::nullopt;
  return static_cast<uint16_t>(*value);
}

}  // namespace

bool IsNetworkPortName(std::string_view name) {
  return StartsWithNoCase(name, kTcpScheme) || StartsWithNoCase(name, kRfc2217Scheme);
}

std::optional<NetPortName> ParseNetPortName(std::string_view name) {
  NetPortName parsed;
  if (StartsWithNoCase(name, kTcpScheme)) {
    parsed.protocol = NetProtocol::RawTcp;
    name.remove_prefix(kTcpScheme.size());
  } else if (StartsWithNoCase(name, kRfc2217Scheme)) {
    parsed.protocol = NetProtocol::Rfc2217;
    name.remove_prefix(kRfc2217Scheme.size());
  } else {
    return std::nullopt;
  }

  std::string_view host;
  std::string_view rest;
  if (!name.empty() && name.front() == '[') {
    const size_t close = name.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = name.substr(1, close - 1);
    rest = name.substr(close + 1);
    if (host.find(':') == std::string_view::npos) return std::nullopt;
    for (char c : host) {
      if (!IsIpv6Char(c)) return std::nullopt;
    }
  } else {
    const size_t colon = name.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = name.substr(0, colon);
    rest = name.substr(colon);
    for (char c : host) {
      if (!IsHostNameChar(c)) return std::nullopt;
    }
  }
  if (host.empty() || host.size() > kMaxHostLength || rest.size() < 2 || rest.front() != ':') return std::nullopt;
  const std::optional<uint16_t> port = ParsePort(rest.substr(1));
  if (!port) return std::nullopt;
  parsed.host = std::string(host);
  parsed.port = *port;
  return parsed;
}

}  // namespace korvane::link
