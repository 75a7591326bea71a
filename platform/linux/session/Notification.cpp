// The freedesktop.org notification service on the session bus.
#include "platform/Notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace platform {

void ShowNotification(const std::string& text) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  call << QStringLiteral("WasteWell") << 0u << QStringLiteral("user-trash")
       << QString::fromStdString(text) << QString() << QStringList() << QVariantMap() << -1;
  // Sent without waiting: no service, no answer, and nothing waits for one.
  bus.send(call);
}

}  // namespace platform
