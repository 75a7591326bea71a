#include "platform/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>

#include "platform/linux/removal/PosixFile.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
constexpr std::size_t npos = std::string_view::npos;

enum class Encoding { kAnsi, kUtf8 };  // Windows-1252, or UTF-8 after a byte-order mark
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Windows-1252 bytes 0x80..0x9F. The five unassigned bytes stand for the C1
// controls of the same number, as the Windows conversion has them, so that
// any byte survives a read and a write.
constexpr char16_t kAnsiHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The code point at s[i], advancing i. A byte that starts no valid sequence
// comes back as 0xDC00 + byte (a lone surrogate), which only equals itself.
char32_t NextUtf8(std::string_view s, std::size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  std::size_t len = 0;
  char32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
  }
  bool ok = len != 0 && i + len <= s.size();
  for (std::size_t k = 1; ok && k < len; ++k) {
    const unsigned char cc = static_cast<unsigned char>(s[i + k]);
    ok = (cc & 0xC0) == 0x80;
    cp = (cp << 6) | (cc & 0x3F);
  }
  ok = ok && !(len == 3 && cp < 0x800) && !(len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
       !(cp >= 0xD800 && cp <= 0xDFFF);
  if (!ok) {
    ++i;
    return 0xDC00 + c;
  }
  i += len;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

char AnsiByte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int b = 0; b < 32; ++b)
    if (kAnsiHigh[b] == cp) return static_cast<char>(0x80 + b);
  return '?';  // as the Windows ANSI conversion marks what the code page lacks
}

std::string ToFileEncoding(std::string_view utf8, Encoding enc) {
  if (enc == Encoding::kUtf8) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) out.push_back(AnsiByte(NextUtf8(utf8, i)));
  return out;
}

std::string FromFileEncoding(std::string_view text, Encoding enc) {
  if (enc == Encoding::kUtf8) return std::string(text);
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out.push_back(ch);
    else
      AppendUtf8(out, c < 0xA0 ? kAnsiHigh[c - 0x80] : c);
  }
  return out;
}

// Lower case of the letters Windows-1252 has in both cases.
unsigned char FoldAnsi(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 0x10;  // Š Œ Ž
  if (c == 0x9F) return 0xFF;                                // Ÿ
  return c;
}

char32_t FoldCodePoint(char32_t cp) {
  if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)) return cp + 0x20;
  if (cp == 0x160 || cp == 0x152 || cp == 0x17D) return cp + 1;
  if (cp == 0x178) return 0xFF;
  return cp;
}

bool SameName(std::string_view a, std::string_view b, Encoding enc) {
  if (enc == Encoding::kAnsi) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (FoldAnsi(static_cast<unsigned char>(a[i])) != FoldAnsi(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  }
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (FoldCodePoint(NextUtf8(a, i)) != FoldCodePoint(NextUtf8(b, j))) return false;
  return i == a.size() && j == b.size();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

// A line break or NUL ends a name or value: nothing a caller passes may add
// lines to the file.
std::string_view CutAtLineBreak(std::string_view s) {
  return s.substr(0, s.find_first_of(std::string_view("\r\n\0", 3)));
}

// The first n characters (code points) of UTF-8 text.
std::string CutChars(std::string text, std::size_t n) {
  std::size_t i = 0;
  for (std::size_t count = 0; count < n && i < text.size(); ++count) NextUtf8(text, i);
  text.resize(i);
  return text;
}

// Where the line at `pos` ends, and where the next begins: CR LF, LF and a
// lone CR each end a line, as the Windows reader takes them.
std::size_t LineEnd(std::string_view text, std::size_t pos, std::size_t& next) {
  const std::size_t e = text.find_first_of("\r\n", pos);
  if (e == npos) {
    next = text.size();
    return text.size();
  }
  next = text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n' ? e + 2 : e + 1;
  return e;
}

struct Found {
  bool section = false;
  bool key = false;
  // Where a new key of the section goes: after its last key line, else after
  // its header.
  std::size_t insertAt = 0;
  std::size_t lineBegin = 0, lineEnd = 0;  // the key's line, without its line break
  std::string_view keyName;                // as the file spells it
  std::string_view value;                  // trimmed, quotes taken off
};

// Only the first section of a name counts, and its first key of a name.
Found Find(std::string_view text, std::size_t pos, std::string_view section, std::string_view key,
           Encoding enc) {
  Found f;
  bool inSection = false;
  while (pos < text.size()) {
    std::size_t next = 0;
    const std::size_t end = LineEnd(text, pos, next);
    const std::string_view body = TrimLeft(text.substr(pos, end - pos));
    if (!body.empty() && body[0] == '[') {
      if (inSection) break;
      const std::size_t close = body.find(']');
      const std::string_view name = Trim(body.substr(1, close == npos ? npos : close - 1));
      if (SameName(name, section, enc)) {
        inSection = f.section = true;
        f.insertAt = next;
      }
    } else if (inSection && !body.empty() && body[0] != ';') {
      // A line without "=" is a key with an empty value.
      const std::size_t eq = body.find('=');
      f.insertAt = next;
      const std::string_view name = Trim(body.substr(0, eq));
      if (SameName(name, key, enc)) {
        f.key = true;
        f.lineBegin = pos;
        f.lineEnd = end;
        f.keyName = name;
        std::string_view value = eq == npos ? std::string_view() : Trim(body.substr(eq + 1));
        if (value.size() >= 2 && value.front() == value.back() &&
            (value.front() == '"' || value.front() == '\''))
          value = value.substr(1, value.size() - 2);
        f.value = value;
        return f;
      }
    }
    pos = next;
  }
  return f;
}

// No settings file comes near this; a larger one (or one that grows past it
// while read) is unusable: reads give the default and writes leave it alone.
constexpr std::size_t kMaxProfileBytes = std::size_t{1} << 20;

// The whole file in one read; false when it is missing, unreadable, too large
// or not a regular file (errno tells which).
bool ReadProfile(const fs::path& file, std::string& out, struct stat& st) {
  UniqueFd fd(open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return false;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (static_cast<std::uint64_t>(st.st_size) > kMaxProfileBytes) {
    errno = EFBIG;
    return false;
  }
  out.reserve(static_cast<std::size_t>(st.st_size));
  return ReadAll(fd.get(), out, kMaxProfileBytes);
}

// A linked settings file stays a link: the write goes to the file it names.
bool FollowLinks(fs::path& file) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::error_code ec;
    const fs::path target = fs::read_symlink(file, ec);
    if (ec) return false;
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return false;
}

// The new text replaces the file in one rename.
bool ReplaceFile(const fs::path& file, std::string_view bytes, const struct stat* old) {
  fs::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  UniqueFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return false;
  const std::string name = file.filename().string();
  ReplaceOptions options;
  options.keep = old;  // a new file: mode 0666 lets the umask decide, as any other write would
  return ReplaceFileAt(dir.get(), name, bytes, options);
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, std::size_t bufferChars,
                                    const std::filesystem::path& file) {
  const std::size_t limit = bufferChars == 0 ? 0 : bufferChars - 1;
  std::string text;
  struct stat st;
  if (ReadProfile(file, text, st)) {
    const std::string_view view(text);
    const Encoding enc = view.substr(0, 3) == kBom ? Encoding::kUtf8 : Encoding::kAnsi;
    const std::string sectionName = ToFileEncoding(Trim(CutAtLineBreak(section)), enc);
    const std::string keyName = ToFileEncoding(Trim(CutAtLineBreak(key)), enc);
    const Found f = Find(view, enc == Encoding::kUtf8 ? 3 : 0, sectionName, keyName, enc);
    if (f.key) return CutChars(FromFileEncoding(f.value, enc), limit);
  }
  // Windows drops the default's trailing blanks too.
  std::string_view d(def);
  while (!d.empty() && IsBlank(d.back())) d.remove_suffix(1);
  return CutChars(std::string(d), limit);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::filesystem::path& file) {
  const std::string_view sectionText = Trim(CutAtLineBreak(section));
  const std::string_view keyText = Trim(CutAtLineBreak(key));
  const std::string_view valueText = CutAtLineBreak(value);
  // Names that would read back as another line's syntax are refused rather than
  // written: "]" ends a header early, "=" splits a key, and a key starting with
  // "[" or ";" would read as a header or a comment.
  if (sectionText.find(']') != npos || keyText.empty() || keyText.find('=') != npos ||
      keyText.front() == '[' || keyText.front() == ';')
    return false;

  fs::path target = file;
  if (!FollowLinks(target)) return false;
  {
    // What writers killed half-way left beside the file goes at the next write.
    fs::path folder = target.parent_path();
    UniqueFd dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.ok()) RemoveStaleTemporaryFiles(dir.get(), target.filename().string());
  }
  std::string text;
  struct stat st;
  const bool exists = ReadProfile(target, text, st);
  if (!exists && errno != ENOENT) return false;  // never replace what could not be read
  // Replacing by rename would get past a read-only file; keep it read-only, as
  // the Windows read-only attribute does even for an administrator.
  if (exists &&
      (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 || (st.st_mode & 0222) == 0))
    return false;

  const std::string_view view(text);
  const bool bom = view.substr(0, 3) == kBom;
  const Encoding enc = bom ? Encoding::kUtf8 : Encoding::kAnsi;
  // New lines follow the file's own line ends; a new file gets CR LF.
  const std::size_t firstBreak = view.find('\n');
  const std::string_view newline =
      firstBreak != npos && (firstBreak == 0 || view[firstBreak - 1] != '\r') ? "\n" : "\r\n";
  // A last line without a line break gets one before anything is added after it.
  const auto breakBefore = [&](std::size_t at) -> std::string_view {
    if (at == 0 || view[at - 1] == '\n' || (bom && at == 3)) return {};
    return view[at - 1] == '\r' ? "\n" : newline;
  };

  const std::string sectionName = ToFileEncoding(sectionText, enc);
  const std::string keyName = ToFileEncoding(keyText, enc);
  const std::string valueBytes = ToFileEncoding(valueText, enc);
  const Found f = Find(view, bom ? 3 : 0, sectionName, keyName, enc);

  std::string out;
  out.reserve(text.size() + sectionName.size() + keyName.size() + valueBytes.size() + 8);
  if (f.key) {
    // The line keeps the file's spelling of the key.
    out.append(view.substr(0, f.lineBegin));
    out.append(f.keyName).append("=").append(valueBytes);
    out.append(view.substr(f.lineEnd));
    if (out == text) return true;
  } else if (f.section) {
    out.append(view.substr(0, f.insertAt));
    out.append(breakBefore(f.insertAt));
    out.append(keyName).append("=").append(valueBytes).append(newline);
    out.append(view.substr(f.insertAt));
  } else {
    out.append(view).append(breakBefore(view.size()));
    out.append("[").append(sectionName).append("]").append(newline);
    out.append(keyName).append("=").append(valueBytes).append(newline);
  }
  return ReplaceFile(target, out, exists ? &st : nullptr);
}

}  // namespace platform
