#include "bin/BinMenu.h"

#include "bin/ShapedForm.h"

namespace bin {
namespace {

struct OptionItem {
  const char* name;
  const char* caption;
  settings::Key key;
};

const OptionItem kOptionItems[] = {
    {"MnuNoconfirm", "Sin confirmación", settings::Key::NoConfirm},
    {"MnuNobar", "Sin barra de progreso", settings::Key::NoProgressBar},
    {"MnuNosound", "Sin sonido", settings::Key::NoSound},
    {"MnuIniwin", "Iniciar con Windows", settings::Key::StartAtLogIn},
    {"MnuHotKeys", "Habilitar Hotkeys", settings::Key::HotKeys},
    {"MnuNomove", "Fijar posición", settings::Key::FixedPlace},
    {"MnuVacialsalir", "Vaciar al salir", settings::Key::EmptyOnExit},
};

}  // namespace

QAction* BinMenu::AddItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  items_[name] = a;
  return a;
}

void BinMenu::AddTools(QMenu* menu, tools::MenuPlace place, const tools::ToolList& tools) {
  for (const auto& tool : tools) {
    const tools::ToolInfo& info = tool->Info();
    if (info.place != place) continue;
    QAction* a = AddItem(menu, info.objectName, info.caption);
    a->setEnabled(tool->Available());
    if (!tool->Available()) a->setToolTip(QStringLiteral("no disponible en este sistema"));
    tools::Tool* t = tool.get();
    toolItems_.emplace_back(a, t);
    QObject::connect(a, &QAction::triggered, form_, [this, t] { form_->OpenTool(*t); });
  }
}

BinMenu::BinMenu(ShapedForm* form, const tools::ToolList& tools)
    : form_(form), menu_(new QMenu(QStringLiteral("Menu"), form)) {
  menu_->setObjectName("MnuBin");
  const auto command = [this](QMenu* menu, const char* name, const QString& caption,
                              void (ShapedForm::*handler)()) {
    QAction* a = AddItem(menu, name, caption);
    QObject::connect(a, &QAction::triggered, form_, [this, handler] { (form_->*handler)(); });
    return a;
  };
  const auto submenu = [this](const QString& caption, const char* name) {
    QMenu* m = menu_->addMenu(caption);
    m->menuAction()->setObjectName(name);
    items_[name] = m->menuAction();
    return m;
  };

  QAction* open = command(menu_, "MnuOpen", QStringLiteral("Abrir Papelera -- Alt + a"),
                          &ShapedForm::MnuOpen_Click);
  QFont bold = open->font();
  bold.setBold(true);
  open->setFont(bold);
  menu_->setDefaultAction(open);
  command(menu_, "MnuVaciar", QStringLiteral("Vaciar Papelera -- Alt + v"),
          &ShapedForm::MnuVaciar_Click);
  menu_->addSeparator()->setObjectName("Mnulinea");

  AddTools(submenu(QStringLiteral("Utilidades"), "MnuTools"), tools::MenuPlace::Utilities, tools);

  QMenu* settings = submenu(QStringLiteral("Opciones"), "MnuSettings");
  for (const OptionItem& o : kOptionItems) {
    QAction* a = AddItem(settings, o.name, QString::fromUtf8(o.caption));
    const settings::Key key = o.key;
    // The hot keys start or stop the poller besides.
    QObject::connect(a, &QAction::triggered, form_, [this, key] {
      if (key == settings::Key::HotKeys)
        form_->MnuHotKeys_Click();
      else
        form_->MnuOption_Click(key);
    });
    a->setCheckable(true);
    options_[a] = o.key;
  }
  AddTools(settings, tools::MenuPlace::Settings, tools);

  QMenu* images = submenu(QStringLiteral("Cambiar imagen"), "MnuImage");
  for (const shape::SkinRow& row : shape::SkinTable()) {
    QAction* a = AddItem(images, row.menuItem, row.caption);
    a->setCheckable(true);
    const shape::Skin skin = row.skin;
    QObject::connect(a, &QAction::triggered, form_, [this, skin] { form_->SwitchSkin(skin); });
  }

  QMenu* about = submenu(QStringLiteral("Ayuda"), "MnuAbout");
  command(about, "MnuAcerca", QStringLiteral("Acerca de WasteWell"), &ShapedForm::MnuAcerca_Click);
  AddTools(about, tools::MenuPlace::Help, tools);
  command(about, "MnuWeb", QStringLiteral("Visitar la web"), &ShapedForm::MnuWeb_Click);
  command(about, "MnuLeeme", QStringLiteral("Léame"), &ShapedForm::MnuLeeme_Click);

  command(menu_, "MnuExit", QStringLiteral("Salir"), &ShapedForm::MnuExit_Click);
}

QAction* BinMenu::Item(const QString& name) const {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

void BinMenu::ShowState(shape::Skin skin) {
  for (const auto& [action, key] : options_) action->setChecked(form_->Controller().Option(key));
  for (const auto& [action, tool] : toolItems_) action->setEnabled(tool->Enabled(*form_));
  for (const shape::SkinRow& row : shape::SkinTable())
    Item(row.menuItem)->setChecked(row.skin == skin);
}

}  // namespace bin
