// Bytes written as numbers in tests of wire formats: ByteString({255, 251, 44}).
#pragma once

#include <initializer_list>
#include <string>

namespace korvane::test {

inline std::string ByteString(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

}  // namespace korvane::test
