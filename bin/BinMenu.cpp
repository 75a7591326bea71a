#include "bin/BinMenu.h"

namespace bin {

void BinMenu::AddItems(QMenu* menu, CommandPlace place) {
  for (const BinCommand& c : commands_) {
    if (c.place != place) continue;
    QAction* a = menu->addAction(c.caption);
    a->setObjectName(c.name);
    items_[c.name] = a;
    if (!c.available) {
      a->setEnabled(false);
      a->setToolTip(QStringLiteral("no disponible en este sistema"));
    }
    if (c.checked) a->setCheckable(true);
    if (c.checked || c.enabled) shown_.emplace_back(a, &c);
    if (c.isDefault) {
      QFont bold = a->font();
      bold.setBold(true);
      a->setFont(bold);
      menu_->setDefaultAction(a);
    }
    const std::function<void()>* run = &c.run;
    QObject::connect(a, &QAction::triggered, owner_, [run] { (*run)(); });
  }
}

BinMenu::BinMenu(QWidget* owner, BinCommands commands)
    : owner_(owner),
      commands_(std::move(commands)),
      menu_(new QMenu(QStringLiteral("Menu"), owner)) {
  menu_->setObjectName("MnuBin");
  const auto submenu = [this](const QString& caption, const char* name) {
    QMenu* m = menu_->addMenu(caption);
    m->menuAction()->setObjectName(name);
    items_[name] = m->menuAction();
    return m;
  };
  AddItems(menu_, CommandPlace::Top);
  menu_->addSeparator()->setObjectName("Mnulinea");
  AddItems(submenu(QStringLiteral("Utilidades"), "MnuTools"), CommandPlace::Utilities);
  AddItems(submenu(QStringLiteral("Opciones"), "MnuSettings"), CommandPlace::Settings);
  AddItems(submenu(QStringLiteral("Cambiar imagen"), "MnuImage"), CommandPlace::Images);
  AddItems(submenu(QStringLiteral("Ayuda"), "MnuAbout"), CommandPlace::Help);
  AddItems(menu_, CommandPlace::Bottom);
}

QAction* BinMenu::Item(const QString& name) const {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

void BinMenu::ShowState() {
  for (const auto& [action, c] : shown_) {
    if (c->checked) action->setChecked(c->checked());
    if (c->enabled) action->setEnabled(c->enabled());
  }
}

}  // namespace bin
