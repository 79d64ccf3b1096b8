#include "session/frequency_list.h"

#include <algorithm>
#include <cctype>

#include "synth/number_text.h"

namespace korvane::session {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool AllDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit); }

// "nan", "-inf", "Infinity": spellings that strtod would take for numbers that are none.
bool NamesNonFinite(std::string_view field) {
  std::string lower = Lower(field);
  if (!lower.empty() && (lower[0] == '+' || lower[0] == '-')) lower.erase(0, 1);
  return lower == "nan" || lower == "inf" || lower == "infinity" || lower.rfind("nan(", 0) == 0;
}

struct Line {
  size_t number;  // 1-based, counting every line of the text
  std::string_view text;
};

// Reads one field; the reason why it holds no frequency otherwise.
std::optional<double> ReadField(std::string_view field, bool decimalComma, ListProblem* why) {
  why->field = std::string(field);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = Trim(field.substr(1, field.size() - 2));
  if (NamesNonFinite(field)) {
    why->kind = ListProblem::Kind::NotAFrequency;
    return std::nullopt;
  }
  const bool comma = field.find(',') != std::string_view::npos;
  const bool point = field.find('.') != std::string_view::npos;
  if ((comma && (point || !decimalComma)) || std::count(field.begin(), field.end(), ',') > 1) {
    why->kind = ListProblem::Kind::ThousandsSeparator;
    return std::nullopt;
  }
  const std::optional<double> value = decimalComma ? ReadTypedNumber(field) : ReadNumberStrict(field);
  if (!value) why->kind = ListProblem::Kind::NotInMhz;
  return value;
}

}  // namespace

std::optional<std::vector<double>> ReadFrequencyList(std::string_view text, ListProblem* why) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  std::vector<Line> lines;
  for (size_t number = 1; !text.empty(); ++number) {
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.front() != '#') lines.push_back({number, line});
  }

  // A separator counts only when every data line holds it: one stray ';' or tab in a
  // comma-separated file does not turn its commas into decimal marks.
  const auto everyLineHas = [&lines](char c) {
    return !lines.empty() && std::all_of(lines.begin(), lines.end(),
                                         [c](const Line& l) { return l.text.find(c) != std::string_view::npos; });
  };
  const auto anyLineHas = [&lines](char c) {
    return std::any_of(lines.begin(), lines.end(),
                       [c](const Line& l) { return l.text.find(c) != std::string_view::npos; });
  };
  char separator = 0;
  if (everyLineHas(';')) {
    separator = ';';
  } else if (everyLineHas('\t')) {
    separator = '\t';
  } else if (anyLineHas(',') || anyLineHas(';') || anyLineHas('\t')) {
    separator = ',';
  }
  const bool decimalComma = separator == ';' || separator == '\t';

  std::vector<double> mhz;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    std::vector<std::string_view> fields;
    if (separator == 0) {
      // A typed list: numbers between blanks.
      for (std::string_view rest = line.text; !rest.empty();) {
        const size_t blank = rest.find_first_of(" \t");
        fields.push_back(rest.substr(0, blank));
        rest = blank == std::string_view::npos ? std::string_view() : Trim(rest.substr(blank + 1));
      }
    } else {
      // A quoted first column ends at its closing quote, whatever it holds.
      const size_t quoteEnd = line.text.front() == '"' ? line.text.find('"', 1) : 0;
      const size_t cut = line.text.find(separator, quoteEnd == std::string_view::npos ? 0 : quoteEnd);
      fields.push_back(Trim(line.text.substr(0, cut)));
      // "1,296.5" split at its comma: a first column of one to three digits and a second of
      // three digits and a fraction is one number with a thousands separator.
      if (separator == ',' && cut != std::string_view::npos && AllDigits(fields[0]) && fields[0].size() <= 3) {
        const std::string_view next = line.text.substr(cut + 1);
        if (next.size() >= 5 && AllDigits(next.substr(0, 3)) && next[3] == '.' && IsDigit(next[4])) {
          const size_t more = next.find(',');
          *why = {ListProblem::Kind::ThousandsSeparator, line.number,
                  std::string(line.text.substr(0, more == std::string_view::npos ? more : cut + 1 + more))};
          return std::nullopt;
        }
      }
    }
    // A heading above the data names its columns with words.
    if (i == 0 && std::none_of(line.text.begin(), line.text.end(), IsDigit) && !NamesNonFinite(fields[0])) continue;
    for (std::string_view field : fields) {
      ListProblem problem;
      const std::optional<double> value = ReadField(field, decimalComma, &problem);
      if (!value) {
        if (field.empty()) problem.kind = ListProblem::Kind::NoFirstColumn;
        problem.line = line.number;
        *why = problem;
        return std::nullopt;
      }
      if (mhz.size() >= kMaxListFrequencies) {
        *why = {ListProblem::Kind::TooManyPoints, 0, {}};
        return std::nullopt;
      }
      mhz.push_back(*value);
    }
  }
  if (mhz.empty()) {
    *why = {ListProblem::Kind::Empty, 0, {}};
    return std::nullopt;
  }
  return mhz;
}

}  // namespace korvane::session
