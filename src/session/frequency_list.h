// Lists of frequencies in MHz as users write them: typed into the window, or a CSV file from a
// spreadsheet, for the window's sweep, "korvane-cli sweep --list" and the instrument's lists.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::session {

// Why a list, or a range, gives no points; the front ends say it in words.
struct ListProblem {
  enum class Kind {
    NotAFrequency,       // NaN, an infinity
    ThousandsSeparator,  // "1,296.5"
    NotInMhz,            // no number
    NoFirstColumn,       // an empty first column
    TooManyPoints,       // more than a million
    Empty,               // no frequency at all
    StepNotPositive,     // a range whose step is 0 or below
  };
  Kind kind = Kind::Empty;
  size_t line = 0;    // the line (1-based) at fault; 0 when the problem is not one line's
  std::string field;  // the field as written
};

// The most points a list may hold.
inline constexpr size_t kMaxListFrequencies = 1000000;

// The frequencies of a list, one per line in its first column.
//  - A UTF-8 byte-order mark, CR before LF, blank lines and lines whose first non-blank
//    character is '#' are skipped.
//  - The separator comes from the data lines: ';' or a tab when every data line holds one, else
//    ','. Only under ';' or a tab is a comma the decimal mark ("1296,5;beacon").
//  - A list without any separator may hold several numbers on a line between blanks.
//  - The first data line may be a heading (its first column holds no digit).
// Any other line whose first column is no number, or is NaN or an infinity, or writes the
// number with a thousands separator ("1,296.5"), refuses the whole list: nullopt with *why
// naming its line.
std::optional<std::vector<double>> ReadFrequencyList(std::string_view text, ListProblem* why);

}  // namespace korvane::session
