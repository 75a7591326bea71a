#pragma once
// The five built-in skins. The saved values are stored in users' Options.ini
// files: never change them.
#include <array>
#include <optional>
#include <string>

namespace shape {

enum class Skin { Default, Modern, Space, Metal, Cute };

struct SkinRow {
  Skin skin;
  const char* menuItem;     // MnuDefault, ...
  const char* caption;      // menu caption
  const char* savedEmpty;   // "Imagen" value for an empty bin
  const char* savedFull;    // "Imagen" value for a full bin
  const char* emptyHolder;  // picture names (resource names)
  const char* fullHolder;
};

// In menu order.
const std::array<SkinRow, 5>& SkinTable();
const SkinRow& RowOf(Skin skin);

// The skin the bin poll and the exit step take when several were checked.
// The poll looks in the order Default, Space, Cute, Metal, Modern.
const std::array<Skin, 5>& PollOrder();
// The exit step looks in the order Default, Space, Metal, Cute, Modern.
const std::array<Skin, 5>& ExitOrder();

struct StartChoice {
  Skin skin;
  bool full;
};
// What a stored "Imagen" value restores; anything unknown gives Default, empty.
StartChoice StartSkin(const std::string& saved);

// The value the exit step stores: by the checked skin and the item count;
// empty text when no skin is checked.
std::string ExitValue(std::optional<Skin> checked, long long binCount);

// The holder name of a skin's picture for a bin state.
const char* PictureName(Skin skin, bool full);

}  // namespace shape
