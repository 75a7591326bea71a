#pragma once
#include <string>

// Program-wide flags and values, all false or empty at start.
namespace app {
extern bool ExitRequested;  // "Salir" is closing the bin window
extern bool EmptyOnExit;    // option "Vaciar al salir"
extern bool HotKeysOn;      // option "Hotkeys"
extern bool OpenLatch;      // Alt+A already acted on
extern bool SnapLatch;      // Alt+S already acted on
extern std::string ConnCheckAddress;
}  // namespace app
