// The automatic purge needs a listing of the trash, which this adapter set
// does not give yet; no notification service is reached either.
#include "platform/Notification.h"
#include "platform/TrashPurge.h"

namespace platform {

bool CanPurge() { return false; }
std::unique_ptr<TrashPurger> MakeTrashPurger(RecycleBin&) { return nullptr; }

void ShowNotification(const std::string&) {}

}  // namespace platform
