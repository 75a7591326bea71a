#include "tools/restore/StayedText.h"

#include <QFile>

namespace tools {

QString ShownPath(const platform::TrashedItem& item) {
  if (!item.original.empty()) return QFile::decodeName(item.original.c_str());
  return QFile::decodeName(item.key.c_str());
}

QString StayedText(const platform::ItemsResult& result, const QString& what) {
  if (result.stayed.empty()) return {};
  QString text = result.stayed.size() == 1
                     ? QStringLiteral("No se pudo %1 y sigue en la papelera:\n").arg(what)
                     : QStringLiteral("No se pudieron %1 y siguen en la papelera:\n").arg(what);
  for (const auto& [item, why] : result.stayed)
    text += QStringLiteral("\n%1 (%2)").arg(ShownPath(item), QString::fromStdString(why));
  return text;
}

}  // namespace tools
