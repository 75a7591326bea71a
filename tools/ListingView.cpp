#include "tools/ListingView.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QToolTip>

namespace tools {
namespace {

class TabbedDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QList<int> stops;  // pixels

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    QTextOption layout;
    QList<QTextOption::Tab> tabs;
    for (int stop : stops) tabs.append(QTextOption::Tab(stop, QTextOption::LeftTab));
    if (tabs.isEmpty()) layout.setTabStopDistance(opt.fontMetrics.averageCharWidth() * 2);
    layout.setTabs(tabs);
    layout.setWrapMode(QTextOption::NoWrap);
    painter->save();
    painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                         : QPalette::Text));
    painter->drawText(QRectF(opt.rect.adjusted(2, 0, 0, 0)), text, layout);
    painter->restore();
  }
};

}  // namespace

ListingView::ListingView(QWidget* parent) : QListView(parent) {
  setModel(&model_);
  setUniformItemSizes(true);  // what makes a long listing cheap
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new TabbedDelegate(this));
  setMouseTracking(true);
}

void ListingView::SetLines(QStringList lines) {
  lines_ = std::move(lines);
  model_.setStringList(lines_);
}

void ListingView::AddLines(const QStringList& lines) {
  lines_ += lines;
  model_.setStringList(lines_);
}

void ListingView::Clear() { SetLines({}); }

void ListingView::SetTabStops(QList<int> dialogUnits) {
  auto* delegate = static_cast<TabbedDelegate*>(itemDelegate());
  delegate->stops.clear();
  const int charWidth = fontMetrics().averageCharWidth();
  for (int units : dialogUnits) delegate->stops.append(units * charWidth / 4);
  viewport()->update();
}

static QString ToolTipText(const QStringList& lines, int row) {
  return row >= 0 && row < lines.size() ? lines[row] : QString();
}

QString ListingView::ToolTipAt(const QPoint& viewportPoint) const {
  // The whole row number: a long listing's lines past 65,535 keep their own text.
  return ToolTipText(lines_, indexAt(viewportPoint).row());
}

bool ListingView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), text, viewport());
    return true;
  }
  return QListView::viewportEvent(event);
}

}  // namespace tools
