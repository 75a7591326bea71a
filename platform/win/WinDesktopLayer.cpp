#include <windows.h>

#include "platform/DesktopLayer.h"

namespace platform {

void AttachToDesktop(std::uintptr_t nativeWindow) {
  // Any class: some shells name their desktop window differently.
  if (HWND desktop = FindWindowW(nullptr, L"Program Manager"))
    SetParent(reinterpret_cast<HWND>(nativeWindow), desktop);
}

}  // namespace platform
