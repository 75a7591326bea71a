#include "tools/updates/VerVersion.h"

#include <QFile>
#include <QRegularExpression>

#define WW_STR2(x) #x
#define WW_STR(x) WW_STR2(x)

namespace tools {
namespace {

// The mark is searched for by its start, which the search itself also holds;
// only a start followed by four numbers counts.
constexpr char kMarkStart[] = "\x01WasteWell-FileVersion=";

}  // namespace

// Kept in the executable as data, like the version resource it stands for.
extern "C" __attribute__((used)) const char ww_file_version_mark[] =
    "\x01WasteWell-FileVersion=" WW_STR(WW_VERSION_MAJOR) "." WW_STR(WW_VERSION_MINOR) "." WW_STR(
        WW_VERSION_PATCH) "." WW_STR(WW_VERSION_TWEAK) ";";

QString VerVersion(const QString& Fichero) {
  QFile file(Fichero);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  const QByteArray start(kMarkStart);
  static const QRegularExpression parts(QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)\\.(\\d+);"));
  QByteArray carry;
  while (!file.atEnd()) {
    QByteArray block = carry + file.read(1 << 20);
    qsizetype at = 0;
    while ((at = block.indexOf(start, at)) >= 0) {
      const QString rest = QString::fromLatin1(block.mid(at + start.size(), 32));
      const QRegularExpressionMatch m = parts.match(rest);
      if (m.hasMatch()) {
        // Each part as the signed 16-bit number the resource holds.
        auto part = [&](int i) {
          return QString::number(static_cast<qint16>(m.captured(i).toUInt()));
        };
        return part(1) + part(2) + part(4);
      }
      ++at;
    }
    carry = block.right(start.size() + 32);
  }
  return QString();
}

}  // namespace tools
