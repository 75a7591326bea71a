#pragma once
// The bin window's right-click menu, built from the bin's command table. The
// check marks show the stored options and the skin on screen; they are never
// read back as the state.
#include <QAction>
#include <QMenu>
#include <QString>
#include <map>
#include <utility>
#include <vector>

#include "bin/BinCommands.h"

namespace bin {

class BinMenu {
 public:
  // The commands are kept; `owner` holds the menu and receives its triggers.
  BinMenu(QWidget* owner, BinCommands commands);
  QMenu* Menu() const { return menu_; }
  QAction* Item(const QString& name) const;
  // The check marks and the greyed items, as the commands say now.
  void ShowState();
  const BinCommands& Commands() const { return commands_; }

 private:
  void AddItems(QMenu* menu, CommandPlace place);

  QWidget* owner_;
  BinCommands commands_;
  QMenu* menu_;
  std::map<QString, QAction*> items_;
  std::vector<std::pair<QAction*, const BinCommand*>> shown_;  // those with a state to show
};

}  // namespace bin
