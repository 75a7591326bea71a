// The update info line as the check reads it: fields, dates, sizes, the offer's texts.
#include "tools/updates/UpdateInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tools;
  const QString line =
      QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QStringList fields = line.split(',');
  static const QLocale spanish(QLocale::Spanish, QLocale::Spain);
  const std::optional<QDateTime> published = ToDateTime(fields.value(2), spanish);
  if (UsableInfoLine(fields) && published) {
    IsNewerVersion(fields[0], QStringLiteral("588"));
    const qint32 announced = ToLong(fields[3]).value_or(0);
    const float percent = announced != 0 ? 100.0f * 1024 / static_cast<float>(announced) : 0;
    ProgressText(1024, fields[3], percent, spanish);
  }
  SetupUrl(line);
  return 0;
}
