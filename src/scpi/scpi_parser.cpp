#include "scpi/scpi_parser.h"

#include <cmath>
#include <optional>

#include "synth/number_text.h"

namespace korvane::scpi {

namespace {

struct Suffix {
  const char* name;
  double factor;
};

// "MHZ" is megahertz, not millihertz: the one suffix whose prefix does not mean what it says.
constexpr Suffix kFrequencySuffixes[] = {{"HZ", 1.0}, {"KHZ", 1e3}, {"MHZ", 1e6}, {"MAHZ", 1e6}, {"GHZ", 1e9}};
constexpr Suffix kPowerSuffixes[] = {{"DBM", 1.0}};
constexpr Suffix kTimeSuffixes[] = {{"S", 1.0}, {"MS", 1e-3}, {"US", 1e-6}, {"NS", 1e-9}};

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Upper(c);
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsScpiWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsScpiWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Splits at `separator` outside single or double quotes (a doubled quote stays inside).
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == separator) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

// A node: a letter, then letters, digits or "_".
bool IsNode(std::string_view node) {
  if (node.empty() || !IsAlpha(node[0])) return false;
  for (char c : node) {
    if (!IsAlpha(c) && !IsDigit(c) && c != '_') return false;
  }
  return true;
}

ProgramUnit ReadUnit(std::string_view text) {
  ProgramUnit unit;
  size_t end = 0;
  while (end < text.size() && !IsScpiWhiteSpace(text[end])) ++end;
  std::string_view header = text.substr(0, end);
  const std::string_view rest = Trim(text.substr(end));

  auto fail = [] {
    ProgramUnit bad;
    bad.error = kSyntaxError;
    return bad;
  };
  if (!header.empty() && header.back() == '?') {
    unit.query = true;
    header.remove_suffix(1);
  }
  if (!header.empty() && header.front() == '*') {
    if (header.size() < 2) return fail();
    for (char c : header.substr(1)) {
      if (!IsAlpha(c)) return fail();
    }
    unit.common = true;
    unit.nodes.push_back(UpperText(header));
  } else {
    if (!header.empty() && header.front() == ':') {
      unit.absolute = true;
      header.remove_prefix(1);
    }
    for (std::string_view node : SplitOutsideQuotes(header, ':')) {
      if (!IsNode(node)) return fail();
      unit.nodes.push_back(UpperText(node));
    }
  }
  if (rest.empty()) return unit;
  for (std::string_view param : SplitOutsideQuotes(rest, ',')) {
    param = Trim(param);
    if (param.empty()) return fail();
    unit.params.emplace_back(param);
  }
  return unit;
}

// The short form: the pattern's upper-case letters, digits and marks ("FREQuency" -> "FREQ").
std::string ShortForm(std::string_view form) {
  std::string out;
  for (char c : form) {
    if (!(c >= 'a' && c <= 'z')) out.push_back(c);
  }
  return out;
}

std::span<const Suffix> SuffixesOf(Quantity quantity) {
  switch (quantity) {
    case Quantity::Frequency:
      return kFrequencySuffixes;
    case Quantity::Power:
      return kPowerSuffixes;
    case Quantity::Time:
      return kTimeSuffixes;
    case Quantity::Plain:
      break;
  }
  return {};
}

}  // namespace

std::string_view ErrorText(int code) {
  switch (code) {
    case kNoError:
      return "No error";
    case kSyntaxError:
      return "Syntax error";
    case kParameterNotAllowed:
      return "Parameter not allowed";
    case kMissingParameter:
      return "Missing parameter";
    case kUndefinedHeader:
      return "Undefined header";
    case kInvalidSuffix:
      return "Invalid suffix";
    case kTriggerIgnored:
      return "Trigger ignored";
    case kInitIgnored:
      return "Init ignored";
    case kSettingsConflict:
      return "Settings conflict";
    case kDataOutOfRange:
      return "Data out of range";
    case kIllegalParameterValue:
      return "Illegal parameter value";
    case kListsNotSameLength:
      return "Lists not same length";
    case kHardwareError:
      return "Hardware error";
    case kHardwareMissing:
      return "Hardware missing";
    case kQueueOverflow:
      return "Queue overflow";
    case kInputBufferOverrun:
      return "Input buffer overrun";
    case kQueryInterrupted:
      return "Query INTERRUPTED";
    case kQueryUnterminated:
      return "Query UNTERMINATED";
    default:
      return "Unknown error";
  }
}

std::vector<ProgramUnit> SplitLine(std::string_view line) {
  std::vector<ProgramUnit> units;
  for (std::string_view part : SplitOutsideQuotes(line, ';')) {
    part = Trim(part);
    if (!part.empty()) units.push_back(ReadUnit(part));
  }
  return units;
}

bool KeywordMatches(std::string_view form, std::string_view word) {
  if (!form.empty() && form.back() == '#') {
    form.remove_suffix(1);
    if (!word.empty() && word.back() == '1' && KeywordMatches(form, word.substr(0, word.size() - 1))) return true;
  }
  const std::string upper = UpperText(word);
  return upper == ShortForm(form) || upper == UpperText(form);
}

HeaderPattern::HeaderPattern(std::string_view pattern) {
  size_t i = 0;
  while (i < pattern.size()) {
    Element element;
    std::string_view body;
    if (pattern[i] == '[') {
      const size_t close = pattern.find(']', i);
      body = pattern.substr(i + 1, close - i - 1);
      element.optional = true;
      i = close + 1;
    } else {
      size_t end = i;
      if (pattern[end] == ':') ++end;
      while (end < pattern.size() && pattern[end] != ':' && pattern[end] != '[') ++end;
      body = pattern.substr(i, end - i);
      i = end;
    }
    for (std::string_view choice : SplitOutsideQuotes(body, '|')) {
      while (!choice.empty() && choice.front() == ':') choice.remove_prefix(1);
      while (!choice.empty() && choice.back() == ':') choice.remove_suffix(1);
      element.choices.emplace_back(choice);
    }
    elements_.push_back(std::move(element));
  }
}

bool HeaderPattern::Matches(std::span<const std::string> nodes) const { return MatchFrom(nodes, 0); }

bool HeaderPattern::MatchFrom(std::span<const std::string> nodes, size_t element) const {
  if (element == elements_.size()) return nodes.empty();
  const Element& e = elements_[element];
  if (e.optional && MatchFrom(nodes, element + 1)) return true;
  if (nodes.empty()) return false;
  for (const std::string& choice : e.choices) {
    if (KeywordMatches(choice, nodes.front())) return MatchFrom(nodes.subspan(1), element + 1);
  }
  return false;
}

int HeaderResolver::Find(std::span<const std::string> nodes) const {
  for (size_t i = 0; i < patterns_.size(); ++i) {
    if (patterns_[i].Matches(nodes)) return static_cast<int>(i);
  }
  return -1;
}

int HeaderResolver::Resolve(const ProgramUnit& unit) {
  if (unit.error != kNoError || unit.nodes.empty()) return -1;
  if (unit.common) return Find(unit.nodes);
  int found = -1;
  std::vector<std::string> full;
  if (!unit.absolute && !path_.empty()) {
    full = path_;
    full.insert(full.end(), unit.nodes.begin(), unit.nodes.end());
    found = Find(full);
  }
  if (found < 0) {
    full = unit.nodes;
    found = Find(full);
  }
  if (found < 0) {
    path_.clear();
    return -1;
  }
  full.pop_back();
  path_ = std::move(full);
  return found;
}

Parameter ReadParameter(std::string_view text, Quantity quantity, std::span<const char* const> keywords) {
  Parameter result;
  text = Trim(text);
  if (text.empty()) {
    result.error = kSyntaxError;
    return result;
  }
  if (IsAlpha(text.front())) {
    if (!IsNode(text)) {
      result.error = kSyntaxError;
      return result;
    }
    for (size_t i = 0; i < keywords.size(); ++i) {
      if (KeywordMatches(keywords[i], text)) {
        result.isKeyword = true;
        result.keyword = i;
        return result;
      }
    }
    result.error = kIllegalParameterValue;
    return result;
  }
  // A sign before a word (-INF, +MAX) makes no number and no keyword the command takes.
  if ((text.front() == '-' || text.front() == '+') && text.size() > 1 && IsAlpha(text[1]) && IsNode(text.substr(1))) {
    result.error = kIllegalParameterValue;
    return result;
  }
  const size_t length = ScanNumber(text, NumberUse::Scpi);
  if (length == 0) {
    result.error = kSyntaxError;
    return result;
  }
  // What fits in a double is decided where the command line's numbers are: a tiny value is
  // zero, but "1<400 zeros>E-1" is huge, not tiny.
  const std::optional<double> read = ReadNumber(text.substr(0, length), NumberUse::Scpi);
  if (!read) {
    result.error = kDataOutOfRange;
    return result;
  }
  double value = *read;

  const std::string_view suffix = Trim(text.substr(length));
  if (!suffix.empty()) {
    if (!IsNode(suffix)) {
      result.error = kSyntaxError;
      return result;
    }
    const std::string upper = UpperText(suffix);
    bool known = false;
    for (const Suffix& s : SuffixesOf(quantity)) {
      if (upper == s.name) {
        value *= s.factor;
        known = true;
      }
    }
    if (!known) {
      result.error = kInvalidSuffix;
      return result;
    }
  }
  if (!std::isfinite(value)) {
    result.error = kDataOutOfRange;
    return result;
  }
  result.number = value;
  return result;
}

}  // namespace korvane::scpi
