// Makes the program's hicolor icons from a skin picture of the bin window:
//
//   make_icons SKIN.ico OUTDIR
//
// writes OUTDIR/<n>x<n>/apps/wastewell.png for every size of the theme that
// menus and launchers ask for. The skin's key grey is what the window cuts
// away, so it becomes transparent here too.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // the image format plugins need it
  if (argc != 3) {
    std::fputs("usage: make_icons SKIN.ico OUTDIR\n", stderr);
    return 2;
  }
  QImage skin(QString::fromLocal8Bit(argv[1]));
  if (skin.isNull()) {
    std::fprintf(stderr, "make_icons: cannot read %s\n", argv[1]);
    return 1;
  }
  skin = skin.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = qRgb(128, 128, 128);
  for (int y = 0; y < skin.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(skin.scanLine(y));
    for (int x = 0; x < skin.width(); ++x)
      if ((line[x] & 0xFFFFFFu) == (key & 0xFFFFFFu)) line[x] = 0;
  }

  const QDir out(QString::fromLocal8Bit(argv[2]));
  for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
    // Whole multiples keep the drawn pixels sharp; smaller sizes are averaged.
    const Qt::TransformationMode mode =
        side % skin.width() == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
    const QImage icon = skin.scaled(side, side, Qt::KeepAspectRatio, mode);
    const QString dir = QStringLiteral("%1x%1/apps").arg(side);
    if (!out.mkpath(dir) || !icon.save(out.filePath(dir + "/wastewell.png"), "PNG")) {
      std::fprintf(stderr, "make_icons: cannot write the %dx%d icon\n", side, side);
      return 1;
    }
  }
  return 0;
}
