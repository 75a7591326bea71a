#include "app/ModuleVars.h"

namespace app {
bool ExitRequested = false;
bool EmptyOnExit = false;
bool HotKeysOn = false;
bool OpenLatch = false;
bool SnapLatch = false;
std::string ConnCheckAddress;
}  // namespace app
