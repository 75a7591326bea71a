#pragma once
// The region and language lists of the weather settings, and the satellite
// image of each region.
#include <QString>
#include <QStringList>

namespace weather {

// The 46 region names in list order. Two end in a blank; they are stored
// that way and must stay so.
const QStringList& RegionNames();
// The row of a region name, blanks at the end not counting (the settings
// reader drops them); -1 for none.
int RegionIndex(const QString& name);
// The five-letter satellite image code of a region; empty for none.
QString RegionImageCode(const QString& name);

// The 33 language names in list order, and their codes as the services take
// them (some are not ISO codes; they are sent as listed).
const QStringList& LanguageNames();
QString LanguageCodeOf(const QString& name);  // empty for no row

}  // namespace weather
