#include "tools/updates/modCloseBtn.h"

#include <QWindow>

namespace tools {
namespace {
constexpr const char* kGreyed = "wwCloseGreyed";
}

std::int16_t SetCloseBtnState(QWidget* hwnd, bool enable) {
  if (!hwnd || !hwnd->isWindow()) return -1;
  hwnd->setProperty(kGreyed, !enable);
  // The window manager redraws the title bar from the changed hints; the
  // widget keeps its flags, so nothing is re-created.
  if (QWindow* w = hwnd->windowHandle()) w->setFlag(Qt::WindowCloseButtonHint, enable);
  return 0;
}

bool CloseBtnEnabled(const QWidget* hwnd) { return !hwnd->property(kGreyed).toBool(); }

}  // namespace tools
