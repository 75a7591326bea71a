#pragma once
// The small texts of a freedesktop.org trash: info file names and bodies, the
// percent encoding of their Path key, and the reasons an item stays (Spanish).
#include <string>

namespace platform::trash {

constexpr const char kInfoSuffix[] = ".trashinfo";
constexpr std::size_t kInfoSuffixLen = sizeof(kInfoSuffix) - 1;

// Whether `name` is "<key>.trashinfo"; the key goes to *key.
bool InfoName(const std::string& name, std::string* key);

// Every byte but the unreserved ones and '/' is escaped: Path is a URL path.
std::string PercentEncode(const std::string& s);
std::string PercentDecode(const std::string& s);

// The info file's text for an item that was at `pathKey`, trashed now.
std::string InfoBody(const std::string& pathKey);

// A name short enough that "name.N.trashinfo" fits in NAME_MAX: never empty,
// and never cut inside a UTF-8 sequence when the name is UTF-8.
std::string FitName(const std::string& name);

// Why an item stays where it is, for an errno value.
std::string Reason(int err);

// ".Trash" or ".Trash-<digits>": the names a volume trash may have.
bool IsVolumeTrashName(const std::string& c);

// mkdir -p with private modes for what it makes; 0 or an errno value.
int MakeDirs(const std::string& path);

std::string Join(const std::string& dir, const std::string& name);

}  // namespace platform::trash
