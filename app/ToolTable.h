#pragma once
#include "tools/Tool.h"

namespace app {

// Every tool, in menu order. The Utilidades menu, the Ayuda items that open
// windows and the hot keys are built from this list.
tools::ToolList ToolTable();

}  // namespace app
