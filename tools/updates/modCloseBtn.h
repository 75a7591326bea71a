#pragma once
#include <QWidget>
#include <cstdint>

namespace tools {

// Enables or greys the window's Close command: its title-bar button and the
// window manager's close. Returns 0, or -1 when there is no window.
std::int16_t SetCloseBtnState(QWidget* hwnd, bool enable);
// False while SetCloseBtnState has greyed it; closeEvent asks this.
bool CloseBtnEnabled(const QWidget* hwnd);

}  // namespace tools
