// Frequency lists as users and spreadsheets write them: what is read, and the line that refuses
// a list.
#include "session/frequency_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "texts/texts.h"

namespace korvane::session {
namespace {

// The example file of the README, as a spreadsheet's "CSV UTF-8" writes it.
constexpr char kReadmeExample[] =
    "\xEF\xBB\xBF# Beacons of the region; the dwell column is not read\r\n"
    "mhz,name,dwell\r\n"
    "144.491,2 m,500\r\n"
    "432.491,70 cm,500\r\n"
    "1296.891,23 cm,1000\r\n";

TEST(FrequencyList, ReadsWhatUsersWriteAndRefusesWithTheLine) {
  const struct {
    const char* what;
    std::string text;
    std::vector<double> mhz;
    std::string why;  // empty: mhz expected
  } cases[] = {
      {"README example", kReadmeExample, {144.491, 432.491, 1296.891}, ""},
      {"lines", "1296\n432.5\n\n10368.1\r\n", {1296.0, 432.5, 10368.1}, ""},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "1296\r\n432\r\n",
       {1296.0, 432.0},
       ""},
      {"blanks on a line", "144 432  1296", {144.0, 432.0, 1296.0}, ""},
      {"csv first column only", "1296,1297\n", {1296.0}, ""},
      {"comma file: two columns", "144,5\n432,1\n", {144.0, 432.0}, ""},
      {"';' in a comment", "# mhz;label\n144,5\n432,1\n", {144.0, 432.0}, ""},
      {"stray ';' and tab", "144,5\n432\t,1;x\n", {144.0, 432.0}, ""},
      {"decimal commas beside ';'", "1296,5;a\n432,25;b\n", {1296.5, 432.25}, ""},
      {"decimal commas beside tabs", "1296,5\ta\n5760\tc\n", {1296.5, 5760.0}, ""},
      {"points beside ';'", "1296.5;a\n", {1296.5}, ""},
      {"heading", "mhz,label\n1296.1,a\n2320,b\n", {1296.1, 2320.0}, ""},
      {"NaN", "1 2 nan 3", {}, "line 1: 'nan' is not a frequency"},
      {"infinity", "144\n-Infinity\n", {}, "line 2: '-Infinity' is not a frequency"},
      {"thousands", "144.5\n1,296.5\n", {}, "line 2: '1,296.5' is written with a thousands separator"},
      {"quoted thousands", "\"1,296.5\",a\n", {}, "line 1: '\"1,296.5\"' is written with a thousands separator"},
      {"thousands beside ';'", "1.296,5;a\n", {}, "line 1: '1.296,5' is written with a thousands separator"},
      {"word in the list", "# head\n\n144\nabc\n432\n", {}, "line 4: 'abc' is not a frequency in MHz"},
      {"word on a line", "144 abc 432\n", {}, "line 1: 'abc' is not a frequency in MHz"},
      {"';' where ',' separates", "144,a\n1296;b\n", {}, "line 2: '1296;b' is not a frequency in MHz"},
      {"empty first column", "1296;a\n;b\n", {}, "line 2: no frequency in the first column"},
      {"nothing", "heading\n\n# only\n", {}, "no frequency in the list"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ListProblem problem;
    const std::optional<std::vector<double>> mhz = ReadFrequencyList(c.text, &problem);
    const std::string why = texts::ListProblemText(problem);
    if (!c.why.empty()) {
      EXPECT_FALSE(mhz.has_value());
      EXPECT_EQ(why.rfind(c.why, 0), 0u) << why;
      continue;
    }
    ASSERT_TRUE(mhz.has_value()) << why;
    ASSERT_EQ(mhz->size(), c.mhz.size());
    for (size_t i = 0; i < c.mhz.size(); ++i) EXPECT_NEAR((*mhz)[i], c.mhz[i], 1e-9) << i;
  }
}

}  // namespace
}  // namespace korvane::session
