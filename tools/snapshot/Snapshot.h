#pragma once
// The screen capture: the whole desktop, every screen, saved as mysnap.jpg in
// the program folder and opened with the desktop's viewer. No window shows.
#include <QImage>
#include <QString>

#include "tools/Tool.h"

namespace tools {

// The picture of the whole virtual desktop.
QImage CaptureDesktop();

// Saves `picture` as a JPEG file at `file`; empty text, or the failure's description.
QString SaveJpeg(const QImage& picture, const QString& file);

class SnapshotTool final : public Tool {
 public:
  SnapshotTool();
  void Open(ToolHost& host) override;
};

}  // namespace tools
