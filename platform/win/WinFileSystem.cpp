// Folder walks and final deletions for the utilities. Every entry is opened by
// a handle relative to its folder's handle and without following reparse
// points, so a junction or a symbolic link (or a folder swapped for one
// half-way) is listed and removed as itself and never entered.
#include <windows.h>
// windows.h first: winternl needs its types.
#include <winternl.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/win/WinText.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG kSynchronousIo = 0x00000020;     // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG kBackupIntent = 0x00004000;      // FILE_OPEN_FOR_BACKUP_INTENT
constexpr ULONG kOpenExisting = 1;               // FILE_OPEN
constexpr std::size_t kMaxStayed = 1000;

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() {
    if (h_) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  void reset(HANDLE h) {
    if (h_) CloseHandle(h_);
    h_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
  }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HANDLE h_;
};

constexpr ACCESS_MASK kAccess =
    DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY;
constexpr ACCESS_MASK kReadAccess = SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens `name` inside the folder `parent` as itself, never what a link names.
HANDLE OpenRelative(HANDLE parent, const std::wstring& name, ACCESS_MASK access) {
  UNICODE_STRING ustr;
  ustr.Buffer = const_cast<wchar_t*>(name.c_str());
  ustr.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  ustr.MaximumLength = ustr.Length;
  OBJECT_ATTRIBUTES attrs;
  InitializeObjectAttributes(&attrs, &ustr, OBJ_CASE_INSENSITIVE, parent, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE h = nullptr;
  const NTSTATUS status =
      NtCreateFile(&h, access, &attrs, &io, nullptr, 0, kShareAll, kOpenExisting,
                   kOpenReparsePoint | kSynchronousIo | kBackupIntent, nullptr, 0);
  return status >= 0 ? h : nullptr;
}

HANDLE OpenTop(const fs::path& path, ACCESS_MASK access) {
  return CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

DWORD Attributes(HANDLE h) {
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info))
    return INVALID_FILE_ATTRIBUTES;
  return info.FileAttributes;
}

LONGLONG FileId(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return -1;
  return static_cast<LONGLONG>((static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) |
                               info.nFileIndexLow);
}

// The path's own attributes: Wine 8.0 marks a Unix symbolic link only here
// and in folder listings, never on a handle.
bool IsListedAsLink(const fs::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

struct Entry {
  std::wstring name;
  DWORD attributes;
  LONGLONG id;
  LONGLONG size;
  bool link() const { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }
  bool folder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !link(); }
};

// The entries of the open folder, read in full before anything in it changes.
bool ReadEntries(HANDLE folder, std::vector<Entry>& entries) {
  std::vector<unsigned char> buffer(64 * 1024);
  FILE_INFO_BY_HANDLE_CLASS cls = FileIdBothDirectoryRestartInfo;
  for (;;) {
    if (!GetFileInformationByHandleEx(folder, cls, buffer.data(),
                                      static_cast<DWORD>(buffer.size())))
      return GetLastError() == ERROR_NO_MORE_FILES;
    cls = FileIdBothDirectoryInfo;
    for (auto* e = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer.data());;) {
      std::wstring name(e->FileName, e->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..")
        entries.push_back(
            {std::move(name), e->FileAttributes, e->FileId.QuadPart, e->EndOfFile.QuadPart});
      if (e->NextEntryOffset == 0) break;
      e = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<unsigned char*>(e) +
                                                   e->NextEntryOffset);
    }
  }
}

// The open entry is the one the listing named, and a folder to enter: not a
// link, and not swapped for another file since the listing.
bool MayEnter(HANDLE h, const Entry& entry) {
  const DWORD attributes = Attributes(h);
  return entry.folder() && attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         FileId(h) == entry.id;
}

DWORD MarkDeleted(HANDLE h) {
  const DWORD attributes = Attributes(h);
  // A read-only entry refuses deletion until the mark is off.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    FILE_BASIC_INFO info{};
    info.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info);
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition)
             ? ERROR_SUCCESS
             : GetLastError();
}

void Stay(DeleteReport& report, const fs::path& path) {
  ++report.stayedCount;
  if (report.stayed.size() < kMaxStayed) report.stayed.push_back(path);
}

// A file's identity: the volume's serial number and the file index.
FolderId IdOf(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return {};
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// The path a handle resolves to, links and junctions followed.
fs::path FinalPath(HANDLE h) {
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                            FILE_NAME_NORMALIZED);
  if (n == 0 || n >= buffer.size()) return {};
  buffer.resize(n);
  // "\\?\C:\x" as "C:\x", "\\?\UNC\host\share" as "\\host\share": what path parsing knows.
  if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) return fs::path(L"\\\\" + buffer.substr(8));
  if (buffer.rfind(L"\\\\?\\", 0) == 0) return fs::path(buffer.substr(4));
  return fs::path(buffer);
}

HANDLE OpenFollowing(const fs::path& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

struct IdLess {
  bool operator()(const FolderId& a, const FolderId& b) const {
    return a.dev != b.dev ? a.dev < b.dev : a.ino < b.ino;
  }
};

// The folders no emptying or removal may take, by identity: a volume's root,
// the user's profile folder (USERPROFILE, HOME) and every folder above it.
class HomeGuard {
 public:
  HomeGuard() {
    for (const wchar_t* name : {L"USERPROFILE", L"HOME"}) {
      const wchar_t* value = _wgetenv(name);
      if (!value || !*value) continue;
      Handle home(OpenFollowing(value));
      fs::path at = home ? FinalPath(home.get()) : fs::path();
      if (at.empty()) continue;
      homes_.insert(IdOf(home.get()));
      for (int step = 0; step < 1024 && at.has_relative_path(); ++step) {
        at = at.parent_path();
        Handle up(OpenFollowing(at));
        if (up) above_.insert(IdOf(up.get()));
      }
    }
  }

  Guarded judge(HANDLE folder) const {
    const FolderId id = IdOf(folder);
    const fs::path at = FinalPath(folder);
    wchar_t volume[MAX_PATH + 1];
    if (!at.empty() && GetVolumePathNameW(at.c_str(), volume, MAX_PATH + 1)) {
      Handle root(OpenFollowing(volume));
      if (root && IdOf(root.get()) == id) return Guarded::kRoot;
    }
    if (homes_.count(id)) return Guarded::kHome;
    if (above_.count(id)) return Guarded::kHoldsHome;
    return Guarded::kNo;
  }

 private:
  std::set<FolderId, IdLess> homes_, above_;
};

void DeleteInside(HANDLE folder, const fs::path& shown, const DeleteOptions& options,
                  DeleteReport& report) {
  std::vector<Entry> entries;
  if (!ReadEntries(folder, entries)) {
    Stay(report, shown);
    return;
  }
  for (const Entry& entry : entries) {
    const fs::path path = shown / entry.name;
    if (entry.folder() && options.beforeEnter) options.beforeEnter(path);
    Handle child(OpenRelative(folder, entry.name, kAccess));
    // A file that may not be read may still be deleted.
    if (!child && !entry.folder())
      child.reset(OpenRelative(folder, entry.name, kAccess & ~FILE_LIST_DIRECTORY));
    if (!child) {
      Stay(report, path);
      continue;
    }
    if (MayEnter(child.get(), entry)) DeleteInside(child.get(), path, options, report);
    // The deletion completes when the handle closes.
    if (MarkDeleted(child.get()) == ERROR_SUCCESS)
      ++report.removed;
    else
      Stay(report, path);
  }
}

template <typename Visit>
void Walk(HANDLE folder, const fs::path& shown, const Visit& visit) {
  std::vector<Entry> entries;
  if (!ReadEntries(folder, entries)) return;
  visit(shown, entries);
  for (const Entry& entry : entries) {
    if (!entry.folder()) continue;
    Handle child(OpenRelative(folder, entry.name, kReadAccess));
    if (child && MayEnter(child.get(), entry)) Walk(child.get(), shown / entry.name, visit);
  }
}

// Errors as errno values, as the interface gives them on every system.
int ToErrno(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
      return EBUSY;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    default:
      return EIO;
  }
}

}  // namespace

FolderCheck CheckFolder(const fs::path& folder) {
  FolderCheck check;
  Handle h(OpenFollowing(folder));
  if (!h) return check;
  check.id = IdOf(h.get());
  check.guarded = HomeGuard().judge(h.get());
  return check;
}

DeleteReport DeleteContents(const fs::path& folder, const DeleteOptions& options) {
  // Nothing on Windows deletes what a program holds without delete sharing,
  // so keepInUse asks for nothing more here.
  DeleteReport report;
  Handle h(OpenTop(folder, kAccess));
  if (!h) {
    Stay(report, folder);
    return report;
  }
  const FolderId id = IdOf(h.get());
  report.refused = options.expected.known() && !(options.expected == id)
                       ? Guarded::kChanged
                       : HomeGuard().judge(h.get());
  if (report.refused != Guarded::kNo) return report;
  const DWORD attributes = Attributes(h.get());
  if (IsListedAsLink(folder) || attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    Stay(report, folder);
    return report;
  }
  DeleteInside(h.get(), folder, options, report);
  return report;
}

int RemoveEmptyFolder(const fs::path& folder, Guarded* refused) {
  Handle h(OpenTop(folder, kAccess));
  if (!h) return ToErrno(GetLastError());
  if (const Guarded why = HomeGuard().judge(h.get()); why != Guarded::kNo) {
    if (refused) *refused = why;
    return EPERM;
  }
  const DWORD attributes = Attributes(h.get());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || IsListedAsLink(folder))
    return ENOTDIR;
  return ToErrno(MarkDeleted(h.get()));
}

int DeleteOneFile(const fs::path& file) {
  Handle h(OpenTop(file, kAccess));
  if (!h) return ToErrno(GetLastError());
  const DWORD attributes = Attributes(h.get());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !IsListedAsLink(file))
    return EISDIR;
  return ToErrno(MarkDeleted(h.get()));
}

void ListTree(const fs::path& folder, const std::function<void(const std::string&)>& line,
              std::size_t maxLines, std::size_t maxBytes) {
  Handle h(OpenTop(folder, kReadAccess));
  if (!h || IsListedAsLink(folder) || (Attributes(h.get()) & FILE_ATTRIBUTE_REPARSE_POINT)) {
    line("\t" + win::Utf8(folder));
    return;
  }
  std::int64_t more = 0;
  // Past the bound lines are only counted; one closing line tells how many.
  auto emit = [&](const std::string& text) {
    if (more == 0 && maxLines > 1 && text.size() <= maxBytes) {
      --maxLines;
      maxBytes -= text.size();
      line(text);
    } else {
      ++more;
    }
  };
  Walk(h.get(), folder, [&](const fs::path& shown, const std::vector<Entry>& entries) {
    emit("\t" + win::Utf8(shown));
    for (const Entry& entry : entries)
      if (!entry.folder()) emit("\t\t" + win::Utf8(entry.name));
  });
  if (more > 0) line(MoreEntriesLine(more));
}

std::int64_t FolderSize(const fs::path& folder) {
  Handle h(OpenTop(folder, kReadAccess));
  if (!h) return -1;
  std::int64_t total = 0;
  Walk(h.get(), folder, [&](const fs::path&, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries)
      if (!entry.folder() && !entry.link()) total += entry.size;
  });
  return total;
}

int ReplaceFileContents(const fs::path& file, const std::string& bytes) {
  // A new file beside the old one, renamed over it: a reader sees one or the other.
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(L".");
  fs::path temporary;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (unsigned n = GetTickCount() ^ GetCurrentThreadId(); h == INVALID_HANDLE_VALUE; ++n) {
    temporary = folder / (L"." + file.filename().wstring() + L"." + std::to_wstring(n) + L".tmp");
    h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
      return ToErrno(GetLastError());
  }
  DWORD error = ERROR_SUCCESS;
  for (std::size_t done = 0; done < bytes.size() && error == ERROR_SUCCESS;) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0)
      error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    done += written;
  }
  if (error == ERROR_SUCCESS && !FlushFileBuffers(h)) error = GetLastError();
  FILE_BASIC_INFO normal{};
  normal.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(h, FileBasicInfo, &normal, sizeof normal);
  CloseHandle(h);
  if (error == ERROR_SUCCESS && !MoveFileExW(temporary.c_str(), file.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) DeleteFileW(temporary.c_str());
  return ToErrno(error);
}

}  // namespace platform
