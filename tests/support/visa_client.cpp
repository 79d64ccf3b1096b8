#include "support/visa_client.h"

namespace korvane::test {

namespace {
// Long enough for a request that waits out the board's 2 s read time-outs on the way.
constexpr int kAnswerTimeoutMs = 60000;
constexpr int kStartTimeoutMs = 30000;
}  // namespace

VisaClient::VisaClient() : python_("/usr/bin/python3", {KORVANE_VISA_CLIENT}) {
  greeting_ = python_.ReadLine(kStartTimeoutMs).value_or("no answer from PyVISA: " + python_.Stderr());
}

std::string VisaClient::Request(const std::string& verb, const std::string& session, const std::string& argument) {
  if (!python_.WriteLine(verb + "\t" + session + "\t" + argument)) return "error pipe: the client has gone";
  return python_.ReadLine(kAnswerTimeoutMs).value_or("error pipe: no answer");
}

std::string VisaClient::Open(const std::string& session, const std::string& resource) {
  return Request("open", session, resource);
}
std::string VisaClient::Write(const std::string& session, const std::string& text) {
  return Request("write", session, text);
}
std::string VisaClient::Query(const std::string& session, const std::string& text) {
  return Request("query", session, text);
}
std::string VisaClient::Read(const std::string& session) { return Request("read", session, ""); }
std::string VisaClient::Raw(const std::string& session, const std::string& bytes) {
  // In hexadecimal, so that line ends travel inside the request line.
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex.push_back(kDigits[c >> 4]);
    hex.push_back(kDigits[c & 15]);
  }
  return Request("raw", session, hex);
}
std::string VisaClient::Close(const std::string& session) { return Request("close", session, ""); }
std::string VisaClient::SetTimeout(const std::string& session, int ms) {
  return Request("timeout", session, std::to_string(ms));
}

}  // namespace korvane::test
