#pragma once
#include <QString>

namespace tools {

// A size in bytes as the cleaner shows it: up to 1024 in bytes, then KB or MB
// with two decimals in the user's locale. `singlePrecision` rounds the
// quotient to a float first, as the listing's size and the gained space have it.
QString SizeText(double bytes, bool singlePrecision);

}  // namespace tools
