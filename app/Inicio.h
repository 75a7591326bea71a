#pragma once
#include <filesystem>

namespace bin {
class ShapedForm;
}

namespace app {
// Loads the bin window with every tool and hides the desktop's own trash
// icon. Returns the bin window, or nullptr when this copy must end at once
// (another runs).
bin::ShapedForm* Main(const std::filesystem::path& executable);
}  // namespace app
