#include "app/Inicio.h"

namespace app {
bool Main() { return true; }
}  // namespace app
