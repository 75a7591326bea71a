#include <windows.h>

#include <memory>

#include "platform/KeyState.h"

namespace platform {
namespace {

class WinKeyState final : public KeyState {
 public:
  std::int16_t AsyncKeyState(int virtualKey) override {
    return static_cast<std::int16_t>(GetAsyncKeyState(virtualKey));
  }
};

}  // namespace

std::unique_ptr<KeyState> MakeKeyState() { return std::make_unique<WinKeyState>(); }

}  // namespace platform
