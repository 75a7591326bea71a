#include "tools/snapshot/Snapshot.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPixmap>
#include <QScreen>

#include "platform/EndSignals.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "settings/ProgramFolder.h"

namespace tools {

QImage CaptureDesktop() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  // Window 0 is the root window: its part at the virtual geometry holds every screen.
  const QRect all = screen->virtualGeometry();
  return screen->grabWindow(0, all.x(), all.y(), all.width(), all.height()).toImage();
}

QString SaveJpeg(const QImage& picture, const QString& file) {
  if (picture.isNull()) return QStringLiteral("no se pudo capturar la pantalla");
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(90);
  if (!writer.write(picture)) return writer.errorString();
  const int err =
      platform::ReplaceFileContents(QFile::encodeName(file).toStdString(), bytes.toStdString());
  return err ? QString::fromStdString(platform::ErrorDescription(err)) : QString();
}

SnapshotTool::SnapshotTool()
    : Tool({MenuPlace::Utilities, "MnuSnap", QStringLiteral("SnapShot de Pantalla -- Alt + s"),
            'S'}) {}

void SnapshotTool::Open(ToolHost& host) {
  const QString file = QFile::decodeName(settings::ProgramFile("mysnap.jpg").c_str());
  const QString failure = SaveJpeg(CaptureDesktop(), file);
  // Over the bin, holding nothing up; the picture opens once the box is closed.
  const auto open = [file](int) {
    if (!platform::ProgramEnding()) platform::ShellOpen(file);
  };
  if (failure.isEmpty())
    platform::MsgBoxThen(
        QStringLiteral("Su imagen mysnap.jpg se ha guardado en la carpeta del programa"),
        platform::kOkOnly | platform::kInformation, QStringLiteral("Imagen guardada!"),
        host.HostWindow(), nullptr, open, false);
  else
    platform::MsgBoxThen(QStringLiteral("Ocurrió algún error al guardar la imagen: ") + failure,
                         platform::kOkOnly | platform::kInformation, QStringLiteral("WasteWell"),
                         host.HostWindow(), nullptr, open, false);
}

}  // namespace tools
