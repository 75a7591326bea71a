#pragma once
// The rows of the restore window: one per trashed item, changed in place as
// the trash changes so that the choice and the scroll position stay.
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <unordered_map>
#include <vector>

#include "platform/TrashPurge.h"
#include "tools/restore/TrashLister.h"

namespace tools {

class TrashModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kName, kPlace, kDate, kSize, kGoes, kColumns };
  static constexpr int kSortRole = Qt::UserRole;
  static constexpr int kPathRole = Qt::UserRole + 1;  // the original path, whole

  using QAbstractTableModel::QAbstractTableModel;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Apply(const ListBatch& batch);
  // The automatic purge's rules, for the day each item goes ("Se elimina").
  void SetPurge(const platform::PurgeSettings& s) { purge_ = s; }
  const platform::TrashedItem& Item(int row) const { return rows_[row].item; }
  // Whether row a goes before row b when sorted by `column`, ascending.
  bool Less(int column, int a, int b) const;

 private:
  // Date and size texts are made when a row is shown, not for every row listed.
  struct Row {
    platform::TrashedItem item;
    QString name, place;
  };
  void Reindex(int from);

  platform::PurgeSettings purge_;
  std::vector<Row> rows_;
  std::unordered_map<std::string, int> rowOf_;
};

// Filters by name or original place as the user types; sorts by value.
class TrashFilter : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void SetText(const QString& text);

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override;
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  QString text_;
};

}  // namespace tools
