// A real VISA client in a test: PyVISA with its pure-Python backend (support/visa_client.py,
// run by /usr/bin/python3), driven request by request over pipes.
#pragma once

#include <string>

#include "support/child_process.h"

namespace korvane::test {

class VisaClient {
 public:
  VisaClient();
  // "ready pyvisa 1.11.3" when PyVISA started, else what went wrong.
  const std::string& Greeting() const { return greeting_; }

  // Each returns the client's answer line: "ok", "= REPLY" or "error KIND: MESSAGE".
  std::string Open(const std::string& session, const std::string& resource);
  std::string Write(const std::string& session, const std::string& text);
  std::string Query(const std::string& session, const std::string& text);
  std::string Read(const std::string& session);
  // Writes the bytes as they are: no line end is added.
  std::string Raw(const std::string& session, const std::string& bytes);
  std::string Close(const std::string& session);
  std::string SetTimeout(const std::string& session, int ms);

 private:
  std::string Request(const std::string& verb, const std::string& session, const std::string& argument);

  ChildProcess python_;
  std::string greeting_;
};

}  // namespace korvane::test
