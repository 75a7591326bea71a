// Texts every adapter set words the same way.
#include <cctype>
#include <cerrno>
#include <string>

#include "platform/FileSystem.h"
#include "platform/System.h"

namespace platform {

std::string VersionTextFromRelease(const std::string& release) {
  // The first three numbers; a missing one counts as 0.
  std::string out;
  std::size_t i = 0;
  for (int part = 0; part < 3; ++part) {
    std::string digits;
    while (i < release.size() && std::isdigit(static_cast<unsigned char>(release[i])))
      digits += release[i++];
    // Leading zeros dropped, as a number is written; overlong runs kept as text.
    const std::size_t nz = digits.find_first_not_of('0');
    out += nz == std::string::npos ? "0" : digits.substr(nz);
    if (i < release.size() && release[i] == '.')
      ++i;
    else
      i = release.size();
  }
  return out;
}

std::string ErrorDescription(int err) {
  switch (err) {
    case ENOENT:
      return "el archivo no existe";
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
      return "el archivo está en uso";
    case EROFS:
      return "el sistema de archivos es de solo lectura";
    case EISDIR:
      return "es una carpeta";
    case ENOTDIR:
      return "no es una carpeta";
    case ENOTEMPTY:
    case EEXIST:
      return "la carpeta no está vacía";
    case ENOSPC:
      return "no queda espacio en el disco";
    case ENAMETOOLONG:
      return "el nombre es demasiado largo";
    default:
      return "error " + std::to_string(err);
  }
}

}  // namespace platform
