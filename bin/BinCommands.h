#pragma once
// The bin's commands in one table: the menu lists every row, the hot keys
// run the rows that have a letter.
#include <QString>
#include <functional>
#include <utility>
#include <vector>

#include "settings/Options.h"
#include "shape/SkinCatalog.h"
#include "tools/Tool.h"

namespace bin {

// Where the menu lists a command; within a place, in the table's order.
enum class CommandPlace { Top, Utilities, Settings, Images, Help, Bottom };

struct BinCommand {
  BinCommand(const char* name, QString caption, CommandPlace place, std::function<void()> run)
      : name(name), caption(std::move(caption)), place(place), run(std::move(run)) {}

  const char* name;  // the menu item's object name
  QString caption;
  CommandPlace place;
  std::function<void()> run;
  char hotKey = 0;                // with Alt, upper case; 0 for none
  bool available = true;          // false: greyed out from the start, and no hot key
  std::function<bool()> enabled;  // asked when the menu opens; always when unset
  std::function<bool()> checked;  // a check mark, asked when the menu opens
  bool isDefault = false;         // the menu's default item, in bold
};
using BinCommands = std::vector<BinCommand>;

// The tools' rows, in the tools' order, each opening its tool through open
// and enabled as `enabled` says.
BinCommands ToolCommands(const tools::ToolList& tools,
                         const std::function<void(tools::Tool&)>& open,
                         const std::function<bool(tools::Tool&)>& enabled);

// The options' rows: `toggle` switches one, `isOn` gives its check mark.
BinCommands OptionCommands(const std::function<void(settings::Key)>& toggle,
                           const std::function<bool(settings::Key)>& isOn);

// The skins' rows: `choose` shows one, `current` gives the check mark.
BinCommands SkinCommands(const std::function<void(shape::Skin)>& choose,
                         const std::function<shape::Skin()>& current);

}  // namespace bin
