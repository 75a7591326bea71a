#pragma once
// The listing of a folder walk: lines of text with tabs, shown through a model
// so that a hundred thousand lines fill in a blink. Tabs align at the given
// stops; pointing at a line shows its whole text as the tooltip.
#include <QListView>
#include <QStringList>
#include <QStringListModel>

namespace tools {

class ListingView : public QListView {
  Q_OBJECT
 public:
  explicit ListingView(QWidget* parent = nullptr);

  void SetLines(QStringList lines);
  void AddLines(const QStringList& lines);
  void Clear();
  const QStringList& Lines() const { return lines_; }
  // Tab stops in dialog units (a quarter of the font's average character
  // width); none: every 8 units.
  void SetTabStops(QList<int> dialogUnits);
  // The tooltip for the line under a point of the viewport, as shown.
  QString ToolTipAt(const QPoint& viewportPoint) const;

 protected:
  bool viewportEvent(QEvent* event) override;

 private:
  QStringList lines_;
  QStringListModel model_;
};

}  // namespace tools
