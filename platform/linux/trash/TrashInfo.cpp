#include "platform/linux/trash/TrashInfo.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>

namespace platform::trash {

bool InfoName(const std::string& name, std::string* key) {
  if (name.size() <= kInfoSuffixLen) return false;
  if (name.compare(name.size() - kInfoSuffixLen, kInfoSuffixLen, kInfoSuffix) != 0) return false;
  if (key) *key = name.substr(0, name.size() - kInfoSuffixLen);
  return true;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string PercentEncode(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.' || c == '~' || c == '/') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string InfoBody(const std::string& pathKey) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
  return "[Trash Info]\nPath=" + PercentEncode(pathKey) + "\nDeletionDate=" + date + "\n";
}

std::string FitName(const std::string& name) {
  constexpr std::size_t kMax = NAME_MAX - kInfoSuffixLen - 8;
  if (name.size() <= kMax) return name;
  // Back to the start of a UTF-8 sequence, which is at most three bytes away;
  // bytes that are no UTF-8 are cut where they stand.
  std::size_t n = kMax;
  for (int back = 0; back < 3 && n > 1 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80;
       ++back)
    --n;
  if ((static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) n = kMax;
  return name.substr(0, n);
}

std::string Reason(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return "no existe";
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case EROFS:
      return "sistema de archivos de solo lectura";
    case EBUSY:
      return "está en uso";
    case ENOSPC:
    case EDQUOT:
      return "no queda espacio";
    case ENAMETOOLONG:
      return "nombre demasiado largo";
    case EIO:
      return "error de lectura o escritura";
    default:
      return "no se pudo mover (error " + std::to_string(err) + ")";
  }
}

bool IsVolumeTrashName(const std::string& c) {
  if (c == ".Trash") return true;
  if (c.rfind(".Trash-", 0) != 0 || c.size() == 7) return false;
  return std::all_of(c.begin() + 7, c.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

int MakeDirs(const std::string& path) {
  if (path.empty()) return ENOENT;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (int err = MakeDirs(path.substr(0, slash))) return err;
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  return 0;
}

}  // namespace platform::trash
