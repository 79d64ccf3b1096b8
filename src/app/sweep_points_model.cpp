#include "app/sweep_points_model.h"

#include "synth/number_text.h"

namespace korvane::app {

namespace {

QString Text(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString LockText(const std::optional<session::LockState>& lock) {
  if (!lock) return QString();
  switch (*lock) {
    case session::LockState::Locked:
      return QStringLiteral("locked");
    case session::LockState::NotLocked:
      return QStringLiteral("not locked");
    case session::LockState::Unknown:
      break;
  }
  return QStringLiteral("unknown");
}

}  // namespace

SweepPointsModel::SweepPointsModel(const panel::PanelModel& model, QObject* parent)
    : QAbstractTableModel(parent), model_(model), rows_(static_cast<int>(model.sweep().samples.size())) {
  connect(&model_, &panel::PanelModel::sweepSampleAdded, this, [this] {
    beginInsertRows({}, rows_, rows_);
    ++rows_;
    endInsertRows();
  });
  connect(&model_, &panel::PanelModel::sweepSamplesDropping, this,
          [this](int count) { beginRemoveRows({}, 0, count - 1); });
  connect(&model_, &panel::PanelModel::sweepSamplesDropped, this, [this](int count) {
    rows_ -= count;
    endRemoveRows();
  });
  // A new sweep starts with no rows; the end of a sweep leaves them as they are.
  connect(&model_, &panel::PanelModel::sweepChanged, this, [this] {
    if (static_cast<size_t>(rows_) == model_.sweep().samples.size()) return;
    beginResetModel();
    rows_ = static_cast<int>(model_.sweep().samples.size());
    endResetModel();
  });
}

int SweepPointsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int SweepPointsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant SweepPointsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) return {};
  const session::SweepSample& sample = model_.sweep().samples[static_cast<size_t>(index.row())];
  switch (index.column()) {
    case kTime:
      return Text(FormatFixed(sample.seconds, 3));
    case kRequested:
      return Text(FormatFixed(sample.requestedMhz, 6));
    case kReal:
      return sample.realMhz ? Text(FormatFixed(*sample.realMhz, 6)) : QString();
    case kLock:
      return LockText(sample.lock);
    default:
      return {};
  }
}

QVariant SweepPointsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return QAbstractTableModel::headerData(section, orientation, role);
  switch (section) {
    case kTime:
      return QStringLiteral("Time (s)");
    case kRequested:
      return QStringLiteral("Requested (MHz)");
    case kReal:
      return QStringLiteral("Real (MHz)");
    case kLock:
      return QStringLiteral("Lock");
    default:
      return {};
  }
}

}  // namespace korvane::app
