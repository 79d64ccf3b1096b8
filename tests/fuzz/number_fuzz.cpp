// Fuzzes the command line's number reader: whatever it takes is a plain decimal number and
// nothing more, read to the same value as the C library reads it.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "synth/number_text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr std::string_view kNumberChars = " \t\n\v\f\r+-.0123456789eE";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<double> value = korvane::ReadNumberStrict(text);
  if (!value) return 0;

  Check(std::isfinite(*value));
  Check(text.find_first_not_of(kNumberChars) == std::string::npos);
  // The whole text is the number: "%lf" reads the same, and anything after it is refused.
  Check(korvane::ReadDouble(text) == value);
  Check(!korvane::ReadNumberStrict(text + "x"));
  Check(!korvane::ReadNumberStrict(text + ","));

  // strtod in the C locale, which the fuzzer runs in. It may keep a denormal where from_chars
  // reports an underflow that reads as zero.
  char* end = nullptr;
  const double expected = std::strtod(text.c_str(), &end);
  Check(*value == expected || (*value == 0.0 && std::fabs(expected) < DBL_MIN));
  Check(std::string_view(end).find_first_not_of(" \t\n\v\f\r") == std::string_view::npos);
  return 0;
}
