#include "app/ToolTable.h"

#include "tools/comments/CommentTool.h"
#include "tools/folders/FormElige.h"
#include "tools/purge/FormAutoVaciar.h"
#include "tools/rae/RaeTool.h"
#include "tools/restore/FormRestaurar.h"
#include "tools/restore/UndoTool.h"
#include "tools/snapshot/Snapshot.h"
#include "tools/tempdir/FormTempDir.h"
#include "tools/updates/UpdatesTool.h"
#include "weather/WeatherMaps.h"

namespace app {

tools::ToolList ToolTable() {
  tools::ToolList list;
  list.push_back(std::make_unique<tools::TempDirTool>());
  list.push_back(std::make_unique<tools::FoldersTool>());
  list.push_back(std::make_unique<tools::RaeTool>());
  list.push_back(std::make_unique<tools::SnapshotTool>());
  list.push_back(std::make_unique<weather::WeatherMapsTool>());
  list.push_back(std::make_unique<tools::UpdatesTool>());
  list.push_back(std::make_unique<tools::CommentTool>());
  // Beyond the original menu: at the end of Utilidades.
  list.push_back(std::make_unique<tools::UndoTool>());
  list.push_back(std::make_unique<tools::RestoreTool>());
  // At the end of Opciones.
  list.push_back(std::make_unique<tools::PurgeTool>());
  return list;
}

}  // namespace app
