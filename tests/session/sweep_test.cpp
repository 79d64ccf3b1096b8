// The sweep's points: from a range, from what a user types or a CSV file holds, and the CSV of
// the points a sweep made.
#include "session/sweep.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvane::session {
namespace {

TEST(SweepPoints, RangesAndListsGiveThePointsOrTheReason) {
  const struct {
    const char* what;
    bool list;
    std::string text;  // list: the text; range: "start stop step"
    std::vector<double> points;
    std::string why;  // empty: points expected
  } cases[] = {
      {"up", false, "1000 1000.3 0.1", {1000.0, 1000.1, 1000.2, 1000.3}, ""},
      {"down", false, "10 9 0.5", {10.0, 9.5, 9.0}, ""},
      {"one point", false, "5 5 1", {5.0}, ""},
      {"no step", false, "1 2 0", {}, "STEP must be above 0"},
      {"too many", false, "0 2000000 1", {}, "more than a million points"},
      {"lines", true, "1296\n432.5\n\n10368.1\r\n", {1296.0, 432.5, 10368.1}, ""},
      {"decimal commas beside semicolons", true, "1296,5;a\n432,25;b\n", {1296.5, 432.25}, ""},
      {"blanks on a line", true, "144 432  1296", {144.0, 432.0, 1296.0}, ""},
      {"csv with heading", true, "mhz,label\n1296.1,a\n2320,b\n", {1296.1, 2320.0}, ""},
      {"tab-separated", true, "1296.1\ta\n5760\tc\n", {1296.1, 5760.0}, ""},
      {"csv first column only", true, "1296,1297\n", {1296.0}, ""},
      {"words stop a line", true, "144 abc 432\n", {144.0}, ""},
      {"nothing", true, "heading\n\n", {}, "no frequency in the list"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string why;
    std::optional<std::vector<double>> points;
    if (c.list) {
      points = ReadFrequencyList(c.text, &why);
    } else {
      double start = 0, stop = 0, step = 0;
      ASSERT_EQ(std::sscanf(c.text.c_str(), "%lf %lf %lf", &start, &stop, &step), 3);
      points = SweepRange(start, stop, step, &why);
    }
    if (!c.why.empty()) {
      EXPECT_FALSE(points.has_value());
      EXPECT_EQ(why.rfind(c.why, 0), 0u) << why;
      continue;
    }
    ASSERT_TRUE(points.has_value()) << why;
    ASSERT_EQ(points->size(), c.points.size());
    for (size_t i = 0; i < c.points.size(); ++i) EXPECT_NEAR((*points)[i], c.points[i], 1e-9) << i;
  }
}

TEST(SweepPoints, OutputsFollowTheBandsAndTheCsvNamesEachColumn) {
  EXPECT_EQ(AutoBand(ChipType::Max2871, 1, 1296.0), Band::Out1);
  EXPECT_EQ(AutoBand(ChipType::Max2871, 1, 10368.0), Band::Out2);
  EXPECT_EQ(AutoBand(ChipType::Max2871, 0, 10368.0), std::nullopt);  // no second output
  EXPECT_EQ(AutoBand(ChipType::Adf4351, 1, 10.0), std::nullopt);

  const SweepSample samples[] = {{0, 0, 0.0, 1296.0, 1295.999878, LockState::Locked},
                                 {0, 1, 0.1206, 1297.0, std::nullopt, std::nullopt}};
  EXPECT_EQ(SweepCsv(samples),
            "seconds,requested_mhz,real_mhz,lock\n0.000,1296.000000,1295.999878,locked\n0.121,1297.000000,,\n");
}

}  // namespace
}  // namespace korvane::session
