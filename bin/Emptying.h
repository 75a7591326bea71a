#pragma once
// Emptying the trash from the bin window: the question first, the progress
// window during, the entries that stayed afterwards.
#include <cstdint>
#include <functional>

#include "platform/RecycleBin.h"

class QWidget;

namespace bin {

// The flags of the empty call, as the menu options give them.
enum EmptyFlag {
  kEmptyNoConfirmation = 1,  // "Sin confirmación"
  kEmptyNoProgressUi = 2,    // "Sin barra de progreso"
};

// The question before an emptying of `count` items. Returns at once; the
// answer (true for OK) comes later. A question whose parent goes first never
// answers.
void AskToEmpty(std::int64_t count, QWidget* parent, std::function<void(bool yes)> answered);

// Empties now, in the progress window unless kEmptyNoProgressUi, then names
// what stayed. True when the trash was emptied to the end: not stopped,
// nothing left behind.
bool EmptyNow(platform::RecycleBin& bin, int flags, QWidget* parent);

}  // namespace bin
