#include "bin/BinCommands.h"

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

CommandPlace PlaceOf(tools::MenuPlace place) {
  switch (place) {
    case tools::MenuPlace::Utilities:
      return CommandPlace::Utilities;
    case tools::MenuPlace::Settings:
      return CommandPlace::Settings;
    case tools::MenuPlace::Help:
      break;
  }
  return CommandPlace::Help;
}

}  // namespace

BinCommands ToolCommands(const tools::ToolList& tools,
                         const std::function<void(tools::Tool&)>& open,
                         const std::function<bool(tools::Tool&)>& enabled) {
  BinCommands rows;
  for (const auto& tool : tools) {
    const tools::ToolInfo& info = tool->Info();
    tools::Tool* t = tool.get();
    BinCommand row{info.objectName, info.caption, PlaceOf(info.place), [open, t] { open(*t); }};
    row.hotKey = info.hotKey;
    row.available = tool->Available();
    row.enabled = [enabled, t] { return enabled(*t); };
    rows.push_back(std::move(row));
  }
  return rows;
}

BinCommands OptionCommands(const std::function<void(settings::Key)>& toggle,
                           const std::function<bool(settings::Key)>& isOn) {
  BinCommands rows;
  for (const OptionItem& o : kOptionItems) {
    const settings::Key key = o.key;
    BinCommand row{o.name, QString::fromUtf8(o.caption), CommandPlace::Settings,
                   [toggle, key] { toggle(key); }};
    row.checked = [isOn, key] { return isOn(key); };
    rows.push_back(std::move(row));
  }
  return rows;
}

BinCommands SkinCommands(const std::function<void(shape::Skin)>& choose,
                         const std::function<shape::Skin()>& current) {
  BinCommands rows;
  for (const shape::SkinRow& skinRow : shape::SkinTable()) {
    const shape::Skin skin = skinRow.skin;
    BinCommand row{skinRow.menuItem, QString::fromUtf8(skinRow.caption), CommandPlace::Images,
                   [choose, skin] { choose(skin); }};
    row.checked = [current, skin] { return current() == skin; };
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace bin
