#include "tools/updates/UpdateInfo.h"

#include <QRegularExpression>
#include <cmath>

namespace tools {

QString SetupUrl(const QString& updateFolder) {
  QString folder = updateFolder;
  while (folder.endsWith('/')) folder.chop(1);
  const qsizetype slash = folder.lastIndexOf('/');
  return (slash >= 0 ? folder.left(slash + 1) : QString()) + QStringLiteral("WasteWell_setup.exe");
}

bool IsNewerVersion(const QString& published, const QString& current) {
  return QString::compare(published, current, Qt::CaseSensitive) > 0;
}

std::optional<QDateTime> ToDateTime(const QString& text, const QLocale& locale) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  for (auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
    QDateTime dt = locale.toDateTime(t, format);
    if (dt.isValid()) return dt;
  }
  // The order of day, month and year the locale writes, with any of the
  // usual separators, a two- or four-digit year and an optional time.
  const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
  const qsizetype d = shortDate.indexOf('d'), m = shortDate.indexOf('M'),
                  y = shortDate.indexOf('y');
  QStringList orders;
  if (y >= 0 && y < d && y < m) orders << "yyyy/M/d";
  if (m >= 0 && m < d)
    orders << "M/d/yyyy"
           << "M/d/yy";
  orders << "d/M/yyyy"
         << "d/M/yy"
         << "yyyy/M/d";
  for (const QString& order : orders) {
    for (QChar sep : {QChar('/'), QChar('-'), QChar('.')}) {
      QString date = order;
      date.replace('/', sep);
      for (const char* time : {"", " H:mm:ss", " H:mm"}) {
        const QDateTime dt = locale.toDateTime(t, date + QLatin1String(time));
        if (dt.isValid()) return dt;
      }
    }
  }
  QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
  if (iso.isValid()) return iso;
  return std::nullopt;
}

std::optional<qint32> ToLong(const QString& field3) {
  bool ok = false;
  const double v = field3.trimmed().toDouble(&ok);
  // NaN fails every comparison: only a finite value in range is converted.
  if (!ok || !std::isfinite(v) || !(v >= -2147483648.5 && v < 2147483647.5)) return std::nullopt;
  return static_cast<qint32>(qRound64(v));
}

bool UsableInfoLine(const QStringList& fields) {
  if (fields.size() < 5) return false;
  // What toDouble takes for a number, overflowing ones included.
  static const QRegularExpression number(
      QStringLiteral("^[+-]?((\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?|nan|inf|infinity)$"),
      QRegularExpression::CaseInsensitiveOption);
  for (int i : {1, 3}) {
    const QString size = fields[i].trimmed();
    if (number.match(size).hasMatch() && !ToLong(size)) return false;
  }
  return true;
}

QString ProgressText(qint64 total, const QString& field3, float percent, const QLocale& locale) {
  QLocale plain = locale;
  plain.setNumberOptions(QLocale::OmitGroupSeparator);
  return QStringLiteral("Descargados ") + QString::number(total) + QStringLiteral(" de ") + field3 +
         QStringLiteral(" bytes (") + plain.toString(static_cast<double>(percent), 'f', 2) +
         QStringLiteral("%)");
}

}  // namespace tools
