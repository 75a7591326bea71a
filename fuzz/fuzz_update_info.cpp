// The update info line as the check reads it, and the version mark of a file.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz/FuzzSupport.h"
#include "tools/updates/UpdateInfo.h"
#include "tools/updates/VerVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tools;
  FuzzedDataProvider in(data, size);
  const QString line = QString::fromLatin1(in.ConsumeRandomLengthString(200).c_str());
  const std::string file = in.ConsumeRemainingBytesAsString();

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

  const std::filesystem::path path = fuzz::ScratchFolder() / "WasteWell.exe";
  fuzz::WriteFile(path, file);
  VerVersion(QString::fromStdString(path.string()));
  return 0;
}
