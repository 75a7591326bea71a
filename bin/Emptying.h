#pragma once
// Emptying the trash from the bin window: the question first, the progress
// window during, the entries that stayed afterwards.
#include "platform/RecycleBin.h"

class QWidget;

namespace bin {

// The flags of the empty call, as the menu options give them.
enum EmptyFlag {
  kEmptyNoConfirmation = 1,  // "Sin confirmación"
  kEmptyNoProgressUi = 2,    // "Sin barra de progreso"
};

// True when the trash was emptied to the end by this call: not declined, not
// stopped, nothing left behind.
bool EmptyWithFlags(platform::RecycleBin& bin, int flags, QWidget* parent);

}  // namespace bin
