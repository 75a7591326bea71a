#include "app/Servers.h"

#include "app/ModIni.h"
#include "app/ProgramFolder.h"

namespace app {

std::string ServerAddress(const std::string& key) {
  const std::string configured = IniRead("Servidores", key, OptionsFile());
  if (!configured.empty()) return configured;
  if (key == "Conexion") return "https://www.wikipedia.org";
  if (key == "Web") return "https://wastewell.org";
  return std::string();
}

}  // namespace app
