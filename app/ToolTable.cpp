#include "app/ToolTable.h"

#include "tools/folders/FormElige.h"
#include "tools/snapshot/Snapshot.h"
#include "tools/tempdir/FormTempDir.h"
#include "weather/WeatherMaps.h"

namespace app {

tools::ToolList ToolTable() {
  using tools::KeyRepeat;
  using tools::MenuPlace;
  using tools::PendingTool;
  tools::ToolList list;
  // Each pending row gives way to its tool's own class once the window exists.
  list.push_back(std::make_unique<tools::TempDirTool>());
  list.push_back(std::make_unique<tools::FoldersTool>());
  list.push_back(std::make_unique<PendingTool>(tools::ToolInfo{
      MenuPlace::Utilities, "MnuBusca", QStringLiteral("Diccionario de la RAE -- Alt + d"), 'D',
      KeyRepeat::WhileHeld}));
  list.push_back(std::make_unique<tools::SnapshotTool>());
  list.push_back(std::make_unique<weather::WeatherMapsTool>());
  list.push_back(std::make_unique<PendingTool>(
      tools::ToolInfo{MenuPlace::Help, "MnuBuscaBin", QStringLiteral("Buscar actualizaciones"), 0,
                      KeyRepeat::WhileHeld}));
  list.push_back(std::make_unique<PendingTool>(tools::ToolInfo{MenuPlace::Help, "MnuSendMe",
                                                               QStringLiteral("Enviar comentarios"),
                                                               0, KeyRepeat::WhileHeld}));
  return list;
}

}  // namespace app
