#include "bin/DesktopIcon.h"

namespace bin {

const char* const kHiddenIconKeyClassic =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\ClassicStartMenu";
const char* const kHiddenIconKeyNewPanel =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";
const char* const kRecycleBinClassId = "{645FF040-5081-101B-9F08-00AA002F954E}";

void PrepareHiddenIconKeys(platform::RegistryComponent& reg) {
  reg.rootKey = 1;
  reg.keyPath = kHiddenIconKeyClassic;
  reg.CreateKey();
  reg.keyPath = kHiddenIconKeyNewPanel;
  reg.CreateKey();
  reg.data = "1";
}

void WriteHiddenIconValue(platform::RegistryComponent& reg) {
  reg.rootKey = 1;
  reg.valueType = 4;
  reg.valueName = kRecycleBinClassId;
  reg.keyPath = kHiddenIconKeyClassic;
  reg.WriteValue();
  reg.keyPath = kHiddenIconKeyNewPanel;
  reg.WriteValue();
}

void RefreshDesktop() {}

}  // namespace bin
