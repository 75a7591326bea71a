#pragma once
#include <filesystem>

#include "bin/BinController.h"

namespace bin {
class ShapedForm;
}

namespace app {
// The system's own services for the bin: the adapter set this build chose.
bin::BinServices SystemServices(const std::filesystem::path& executable);

// Loads the bin window with every tool and hides the desktop's own trash
// icon. Returns the bin window, or nullptr when this copy must end at once
// (another runs).
bin::ShapedForm* Main(const std::filesystem::path& executable);

// Qt's own texts (file and folder dialogs, standard buttons) in Spanish, like
// the rest of the program. False when Qt's translations are not installed.
bool LoadQtTranslations();
}  // namespace app
