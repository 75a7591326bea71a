#pragma once
#include <QString>

namespace tools {

// The version text of a file: major, minor and the fourth part of the
// version mark the file carries, run together (5.8.0.8 gives "588"); empty
// for a file without one. WasteWell's executable carries its own version,
// compiled in, as a version resource would.
QString VerVersion(const QString& Fichero);

}  // namespace tools
