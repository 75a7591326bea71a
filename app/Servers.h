#pragma once
#include <string>

namespace app {

// Addresses of the outside services, from the section "Servidores" of
// Options.ini (edited by hand, never written by the program), or the built-in
// ones: "Conexion" (the site the connectivity check asks), "Web" (the
// program's page).
std::string ServerAddress(const std::string& key);

}  // namespace app
