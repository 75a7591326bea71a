#pragma once
// Hiding the desktop's own trash icon while the program runs.
#include "platform/Registry.h"

namespace bin {

// Persisted names: the desktop reads the values under these keys.
extern const char* const kHiddenIconKeyClassic;
extern const char* const kHiddenIconKeyNewPanel;
extern const char* const kRecycleBinClassId;

// Makes sure both keys exist and sets the component's data to "1".
void PrepareHiddenIconKeys(platform::RegistryComponent& reg);
// Writes the component's current data as the hidden-icon value under both keys.
void WriteHiddenIconValue(platform::RegistryComponent& reg);
// Asks the desktop to redraw its icons; the Linux desktops do it on their own.
void RefreshDesktop();

}  // namespace bin
