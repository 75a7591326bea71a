#include "tools/Access.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace tools {
namespace {

class WindowKeyFilter : public QObject {
 public:
  WindowKeyFilter(QWidget* window, std::function<void()> cancel, QAbstractButton* defaultButton)
      : QObject(window), cancel_(std::move(cancel)), default_(defaultButton) {}

  // Sees the keys the focused control passed on to its window.
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier)) return false;
    if (key->key() == Qt::Key_Escape && cancel_) {
      cancel_();
      return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && default_ &&
        default_->isEnabled() && default_->isVisible()) {
      default_->click();
      return true;
    }
    return false;
  }

 private:
  std::function<void()> cancel_;
  QAbstractButton* default_;
};

class KeysFilter : public QObject {
 public:
  KeysFilter(QWidget* control, QList<QKeySequence> keys, std::function<void()> action)
      : QObject(control), keys_(std::move(keys)), action_(std::move(action)) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
      return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // The keypad's Enter is Enter, whatever the modifier says.
    const QKeySequence pressed(key->keyCombination().key() |
                               (key->modifiers() & ~Qt::KeypadModifier));
    if (!keys_.contains(pressed)) return false;
    // Claimed before any shortcut of the window, then acted on as pressed.
    event->accept();
    if (event->type() == QEvent::KeyPress) action_();
    return true;
  }

 private:
  QList<QKeySequence> keys_;
  std::function<void()> action_;
};

}  // namespace

void Name(QWidget* control, const QString& name, const QString& description) {
  control->setAccessibleName(name);
  if (!description.isEmpty()) control->setAccessibleDescription(description);
}

void WindowKeys(QWidget* window, std::function<void()> cancel, QAbstractButton* defaultButton) {
  if (auto* push = qobject_cast<QPushButton*>(defaultButton)) push->setDefault(true);
  window->installEventFilter(new WindowKeyFilter(window, std::move(cancel), defaultButton));
}

void OnKeys(QWidget* control, const QList<QKeySequence>& keys, std::function<void()> action) {
  control->installEventFilter(new KeysFilter(control, keys, std::move(action)));
}

}  // namespace tools
