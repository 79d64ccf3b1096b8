// The sweep table's model follows the panel's points row by row: appended as they come, the
// oldest dropped when the table is full, and reset only by a new sweep.
#include "app/sweep_points_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <string>
#include <vector>

#include "synth/number_text.h"

namespace korvane::app::testing {
namespace {

session::SweepSample Point(size_t index) {
  session::SweepSample sample;
  sample.index = index;
  sample.seconds = 0.25 * static_cast<double>(index);
  sample.requestedMhz = 1000.0 + static_cast<double>(index);
  if (index % 2 == 0) {
    sample.realMhz = 1000.0 + static_cast<double>(index) - 1e-6;
    sample.lock = session::LockState::Locked;
  }
  return sample;
}

TEST(SweepPointsModel, AppendsDropsTheOldestWhenFullAndIsNeverRebuilt) {
  constexpr size_t kDrop = panel::kMaxSweepRows / 10;
  const struct {
    size_t points;
    size_t firstShown;  // the point in the first row
    int removals;       // times the oldest rows went
  } cases[] = {
      {3, 0, 0},
      {panel::kMaxSweepRows, 0, 0},
      {panel::kMaxSweepRows + 1, kDrop, 1},
      {panel::kMaxSweepRows + kDrop + 1, 2 * kDrop, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.points);
    panel::PanelModel panel;
    SweepPointsModel points(panel);
    panel.StartSweep(c.points, 1);
    // The rows about to go are still there to be read while the views let go of them.
    std::vector<std::string> goingFirst;
    QObject::connect(&points, &QAbstractItemModel::rowsAboutToBeRemoved, [&](const QModelIndex&, int first, int last) {
      EXPECT_EQ(first, 0);
      EXPECT_EQ(last, static_cast<int>(kDrop) - 1);
      EXPECT_EQ(points.rowCount(), static_cast<int>(panel::kMaxSweepRows));
      goingFirst.push_back(points.index(0, SweepPointsModel::kRequested).data().toString().toStdString());
    });
    QSignalSpy inserted(&points, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&points, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&points, &QAbstractItemModel::modelReset);
    for (size_t i = 0; i < c.points; ++i) panel.AddSweepSample(Point(i));
    panel.EndSweep("Done");

    const int rows = static_cast<int>(c.points - c.firstShown);
    ASSERT_EQ(points.rowCount(), rows);
    EXPECT_EQ(inserted.count(), static_cast<int>(c.points));
    EXPECT_EQ(removed.count(), c.removals);
    EXPECT_EQ(reset.count(), 0);
    for (size_t i = 0; i < goingFirst.size(); ++i) {
      EXPECT_EQ(goingFirst[i], FormatFixed(Point(i * kDrop).requestedMhz, 6)) << "removal " << i;
    }
    const session::SweepSample first = Point(c.firstShown);
    EXPECT_EQ(points.index(0, SweepPointsModel::kRequested).data().toString().toStdString(),
              FormatFixed(first.requestedMhz, 6));
    EXPECT_EQ(points.index(0, SweepPointsModel::kLock).data().toString(), first.lock ? "locked" : "");
    EXPECT_EQ(points.index(rows - 1, SweepPointsModel::kTime).data().toString().toStdString(),
              FormatFixed(Point(c.points - 1).seconds, 3));

    // The next sweep starts on an empty table.
    panel.StartSweep(1, 1);
    EXPECT_EQ(points.rowCount(), 0);
    EXPECT_EQ(reset.count(), 1);
  }
}

}  // namespace
}  // namespace korvane::app::testing
