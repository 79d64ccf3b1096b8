// The sweep's points from a range, and the CSV of the points a sweep made.
#include "session/sweep.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "texts/texts.h"

namespace korvane::session {
namespace {

TEST(SweepPoints, RangesGiveThePointsOrTheReason) {
  const struct {
    const char* what;
    std::string text;  // "start stop step"
    std::vector<double> points;
    std::string why;  // empty: points expected
  } cases[] = {
      {"up", "1000 1000.3 0.1", {1000.0, 1000.1, 1000.2, 1000.3}, ""},
      {"down", "10 9 0.5", {10.0, 9.5, 9.0}, ""},
      {"one point", "5 5 1", {5.0}, ""},
      {"no step", "1 2 0", {}, "STEP must be above 0"},
      {"too many", "0 2000000 1", {}, "more than a million points"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ListProblem problem;
    std::optional<std::vector<double>> points;
    double start = 0, stop = 0, step = 0;
    ASSERT_EQ(std::sscanf(c.text.c_str(), "%lf %lf %lf", &start, &stop, &step), 3);
    points = SweepRange(start, stop, step, &problem);
    const std::string why = texts::ListProblemText(problem);
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

TEST(SweepPoints, TheCsvNamesEachColumn) {
  const SweepSample samples[] = {{0, 0, 0.0, 1296.0, 1295.999878, LockState::Locked},
                                 {0, 1, 0.1206, 1297.0, std::nullopt, std::nullopt}};
  EXPECT_EQ(SweepCsv(samples),
            "seconds,requested_mhz,real_mhz,lock\n0.000,1296.000000,1295.999878,locked\n0.121,1297.000000,,\n");
}

}  // namespace
}  // namespace korvane::session
