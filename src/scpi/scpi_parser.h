// Reading SCPI program messages: a line split into commands, headers matched against patterns
// with short and long forms, and parameters read as numbers with units or as keywords.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::scpi {

// The error numbers of the instrument's error queue (the standard SCPI codes).
inline constexpr int kNoError = 0;
inline constexpr int kSyntaxError = -102;
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kInvalidSuffix = -131;
inline constexpr int kTriggerIgnored = -211;
inline constexpr int kInitIgnored = -213;
inline constexpr int kSettingsConflict = -221;
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kIllegalParameterValue = -224;
inline constexpr int kListsNotSameLength = -226;
inline constexpr int kHardwareError = -240;
inline constexpr int kHardwareMissing = -241;
inline constexpr int kQueueOverflow = -350;
inline constexpr int kInputBufferOverrun = -363;
inline constexpr int kQueryInterrupted = -410;
inline constexpr int kQueryUnterminated = -420;

// The text that goes with an error number ("Undefined header"); "Unknown error" otherwise.
std::string_view ErrorText(int code);

// One command of a line, such as "FREQ:STAR 1 GHZ" or "*IDN?".
struct ProgramUnit {
  bool absolute = false;            // written with a leading ":" (the header path starts at the root)
  bool common = false;              // "*IDN" and the like
  bool query = false;               // the header ends with "?"
  std::vector<std::string> nodes;   // header nodes in upper case; a common command has one ("*IDN")
  std::vector<std::string> params;  // parameters as written, without the blanks around them
  int error = kNoError;             // kSyntaxError: the unit could not be read; nothing else is set
};

// Splits one line (without its line end) at the ";" that are not inside quotes. Empty commands
// (";;", a ";" at the end) are passed over.
std::vector<ProgramUnit> SplitLine(std::string_view line);

// A header pattern as SCPI documents write them: "[SOURce:]FREQuency[:CW|:FIXed]". Upper-case
// letters are the short form, the whole word the long form; brackets mark optional nodes and
// "|" alternatives; a "#" after a keyword lets it carry the numeric suffix 1 ("SOURce#" takes
// SOUR and SOUR1). Common commands are written as they are ("*IDN").
class HeaderPattern {
 public:
  explicit HeaderPattern(std::string_view pattern);
  bool Matches(std::span<const std::string> nodes) const;

 private:
  struct Element {
    std::vector<std::string> choices;  // keyword forms as written in the pattern
    bool optional = false;
  };
  bool MatchFrom(std::span<const std::string> nodes, size_t element) const;

  std::vector<Element> elements_;
};

// "FREQuency" matches FREQ and FREQUENCY in any case, nothing in between; "SOURce#" also
// SOUR1 and SOURCE1.
bool KeywordMatches(std::string_view form, std::string_view word);

// Resolves each command of a line against a table of patterns. A command without a leading ":"
// is first tried below the path of the command before it ("FREQ:STAR 1GHZ;STOP 2GHZ"), then from
// the root; common commands leave the path alone.
class HeaderResolver {
 public:
  explicit HeaderResolver(std::span<const HeaderPattern> patterns) : patterns_(patterns) {}
  // The index of the matching pattern, or -1.
  int Resolve(const ProgramUnit& unit);
  void ResetPath() { path_.clear(); }

 private:
  int Find(std::span<const std::string> nodes) const;

  std::span<const HeaderPattern> patterns_;
  std::vector<std::string> path_;
};

// The kind of quantity a numeric parameter is; it decides which suffixes are allowed and the
// unit a value is returned in.
enum class Quantity { Plain, Frequency, Power, Time };

struct Parameter {
  int error = kNoError;  // kSyntaxError, kInvalidSuffix, kIllegalParameterValue or kDataOutOfRange
  bool isKeyword = false;
  size_t keyword = 0;   // index into the keywords given
  double number = 0.0;  // in Hz, dBm or seconds (Plain: as written); always finite
};

// Reads one parameter: a decimal number ("1", "-2.5", ".5E+3") with an optional suffix of its
// quantity ("1.2 GHZ", "10ms"), or one of the keyword forms given ("MAXimum", "INFinite").
// Malformed numbers are syntax errors; unknown keywords are illegal values, unknown suffixes
// invalid suffixes; numbers beyond a double are out of range.
Parameter ReadParameter(std::string_view text, Quantity quantity, std::span<const char* const> keywords = {});

}  // namespace korvane::scpi
