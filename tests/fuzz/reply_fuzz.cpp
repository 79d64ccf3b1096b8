// Feeds arbitrary bytes, as a misbehaving board might send them, to everything that reads
// what a board says: banners, reply framing, register sets, numbers and 8-bit text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/text_encoding.h"
#include "link/banner_parse.h"
#include "link/reply_framing.h"
#include "synth/number_text.h"
#include "synth/register_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);

  korvane::link::BoardIdentity identity;
  korvane::link::ApplyBanner(bytes, identity);
  if (identity.sSuffix != 0 && identity.sSuffix != 1) std::abort();
  if (identity.hwVersion < 0 || identity.hwVersion > 4) std::abort();
  (void)korvane::link::BannerComplete(bytes);

  std::string framed = korvane::link::FrameReply(bytes);
  if (framed.size() > bytes.size()) std::abort();

  std::string wide = korvane::text::Latin1ToUtf8(bytes);
  if (korvane::text::Utf8ToLatin1Lossy(wide) != bytes) std::abort();  // 8-bit text survives the round trip

  if (auto words = korvane::ParseRegisterReply(bytes)) {
    korvane::DecodedSet decoded = korvane::DecodeRegisterSet(korvane::ChipType::Max2871, *words, 1);
    (void)korvane::AchievedFrequency(decoded.solution, decoded.band, 10.0);
  }
  if (auto value = korvane::ReadDouble(bytes)) {
    (void)korvane::FormatFixed(*value, 6, 5);
    (void)korvane::SolvePll(korvane::ChipType::Max2871, korvane::Band::Out2, *value, 10.0);
  }
  return 0;
}
