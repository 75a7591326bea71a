#pragma once
// The bin window's right-click menu. The check marks show the stored options
// and the skin on screen; they are never read back as the state.
#include <QAction>
#include <QMenu>
#include <QString>
#include <map>
#include <utility>
#include <vector>

#include "settings/Options.h"
#include "shape/SkinCatalog.h"
#include "tools/Tool.h"

namespace bin {

class ShapedForm;

class BinMenu {
 public:
  BinMenu(ShapedForm* form, const tools::ToolList& tools);
  QMenu* Menu() const { return menu_; }
  QAction* Item(const QString& name) const;
  void ShowState(shape::Skin skin);

 private:
  QAction* AddItem(QMenu* menu, const char* name, const QString& caption);
  void AddTools(QMenu* menu, tools::MenuPlace place, const tools::ToolList& tools);

  ShapedForm* form_;
  QMenu* menu_;
  std::map<QString, QAction*> items_;
  std::map<QAction*, settings::Key> options_;
  std::vector<std::pair<QAction*, tools::Tool*>> toolItems_;
};

}  // namespace bin
