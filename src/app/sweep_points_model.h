// The sweep panel's points as a table model over the panel model's samples: rows are appended
// as points go out and the oldest are dropped when the table is full, so a long sweep never
// rebuilds the table.
#pragma once

#include <QAbstractTableModel>

#include "panel/panel_model.h"

namespace korvane::app {

class SweepPointsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kTime, kRequested, kReal, kLock, kColumnCount };

  explicit SweepPointsModel(const panel::PanelModel& model, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const panel::PanelModel& model_;
  // The rows the views know of; the samples may be one ahead while a row is being added.
  int rows_ = 0;
};

}  // namespace korvane::app
