#include "shape/SkinCatalog.h"

namespace shape {

const std::array<SkinRow, 5>& SkinTable() {
  static const std::array<SkinRow, 5> table = {{
      {Skin::Default, "MnuDefault", "Default", "ShapedFormEmpty", "ShapedFormFull",
       "ImgDefaultEmpty", "ImgDefaultFull"},
      {Skin::Modern, "MnuModern", "Modern", "ShapedFormModern", "ShapedFormModernFull", "ImgModern",
       "ImgModernFull"},
      {Skin::Space, "MnuSpace", "Space", "ShapedFormEmptyFutur64", "ShapedFormFullFutur64",
       "ImgFuturEmpty", "ImgFuturFull"},
      {Skin::Metal, "MnuMini", "Metal", "ShapedFormEmptyClass48", "ShapedFormFullClass48",
       "ImgMiniEmpty", "ImgMiniFull"},
      {Skin::Cute, "MnuCute", "Cute", "ShapedFormCute", "ShapedFormCuteFull", "ImgCutEmpty",
       "ImgCuteFull"},
  }};
  return table;
}

const SkinRow& RowOf(Skin skin) { return SkinTable()[static_cast<std::size_t>(skin)]; }

const std::array<Skin, 5>& PollOrder() {
  static const std::array<Skin, 5> order = {Skin::Default, Skin::Space, Skin::Cute, Skin::Metal,
                                            Skin::Modern};
  return order;
}

const std::array<Skin, 5>& ExitOrder() {
  static const std::array<Skin, 5> order = {Skin::Default, Skin::Space, Skin::Metal, Skin::Cute,
                                            Skin::Modern};
  return order;
}

StartChoice StartSkin(const std::string& saved) {
  // The comparison order of the stored values; exact and case-sensitive.
  static const std::array<StartChoice, 10> order = {{{Skin::Default, false},
                                                     {Skin::Metal, false},
                                                     {Skin::Space, false},
                                                     {Skin::Cute, false},
                                                     {Skin::Modern, false},
                                                     {Skin::Default, true},
                                                     {Skin::Metal, true},
                                                     {Skin::Space, true},
                                                     {Skin::Cute, true},
                                                     {Skin::Modern, true}}};
  for (const StartChoice& c : order) {
    const SkinRow& row = RowOf(c.skin);
    if (saved == (c.full ? row.savedFull : row.savedEmpty)) return c;
  }
  return {Skin::Default, false};
}

std::string ExitValue(std::optional<Skin> checked, long long binCount) {
  if (!checked) return std::string();
  const SkinRow& row = RowOf(*checked);
  return binCount < 1 ? row.savedEmpty : row.savedFull;
}

const char* PictureName(Skin skin, bool full) {
  const SkinRow& row = RowOf(skin);
  return full ? row.fullHolder : row.emptyHolder;
}

}  // namespace shape
