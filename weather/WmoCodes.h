#pragma once
// The WMO present-weather codes (0-99) as the key-free source gives them:
// a short text in Spanish or English, and the picture of the code's group.
#include <QString>
#include <QStringList>
#include <optional>

namespace weather {

enum class WmoGroup {
  Clear,
  PartlyCloudy,
  Cloudy,
  Fog,
  Drizzle,
  Rain,
  Snow,
  Showers,
  Thunderstorm
};

struct WmoCondition {
  QString text;
  WmoGroup group;
};

// nullopt for a code outside 0-99.
std::optional<WmoCondition> WmoConditionOf(int code, bool english);

// The picture of a group, a file that ships with the program.
QString WmoIconFile(WmoGroup group);
// Every group's picture, in the order of the groups.
QStringList WmoIconFiles();

}  // namespace weather
