#pragma once
// The update checker's rules that need no window.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace tools {

// The update folder's parent (the folder ending in "descargas/") followed by
// the setup's name.
QString SetupUrl(const QString& updateFolder);

// Field 0 newer than the running version: an ordinal comparison of the texts.
bool IsNewerVersion(const QString& published, const QString& current);

// A date, with or without a time, as the locale writes it (ISO forms too).
std::optional<QDateTime> ToDateTime(const QString& text, const QLocale& locale);

// field3 as a 32-bit integer; nullopt when it is none.
std::optional<qint32> ToLong(const QString& field3);

// No info file comes near this; a larger answer is a failed transfer.
constexpr qint64 kMaxInfoFileBytes = 64 * 1024;

// At least five fields, and the sizes (fields 1 and 3), where written as
// numbers, finite whole counts that fit in 32 bits: "nan", "inf" or "1e400"
// make the line unusable. A size that is no number at all is left to the
// download, as before.
bool UsableInfoLine(const QStringList& fields);

// "Descargados <total> de <field3> bytes (<pct with 2 decimals>%)".
QString ProgressText(qint64 total, const QString& field3, float percent, const QLocale& locale);

}  // namespace tools
