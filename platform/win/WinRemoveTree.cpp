#include "platform/win/WinRemoveTree.h"

#include <windows.h>
// windows.h first: winternl needs its types.
#include <winternl.h>

#include <string>
#include <vector>

namespace platform::win {
namespace {

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG kSynchronousIo = 0x00000020;     // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG kBackupIntent = 0x00004000;      // FILE_OPEN_FOR_BACKUP_INTENT
constexpr ULONG kOpenExisting = 1;               // FILE_OPEN

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() {
    if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ && h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

// Opens `name` inside the folder `parent` as itself, never what a link names.
HANDLE OpenRelative(HANDLE parent, const std::wstring& name) {
  UNICODE_STRING ustr;
  ustr.Buffer = const_cast<wchar_t*>(name.c_str());
  ustr.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  ustr.MaximumLength = ustr.Length;
  OBJECT_ATTRIBUTES attrs;
  InitializeObjectAttributes(&attrs, &ustr, OBJ_CASE_INSENSITIVE, parent, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE h = nullptr;
  const ACCESS_MASK access =
      DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY;
  const NTSTATUS status = NtCreateFile(&h, access, &attrs, &io, nullptr, 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       kOpenExisting, kOpenReparsePoint | kSynchronousIo | kBackupIntent,
                                       nullptr, 0);
  return status >= 0 ? h : nullptr;
}

DWORD Attributes(HANDLE h) {
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info))
    return INVALID_FILE_ATTRIBUTES;
  return info.FileAttributes;
}

struct Entry {
  std::wstring name;
  DWORD attributes;
  LONGLONG id;
};

// The entries of the open folder, read in full before anything in it changes.
bool ReadEntries(HANDLE folder, std::vector<Entry>& entries) {
  std::vector<unsigned char> buffer(64 * 1024);
  FILE_INFO_BY_HANDLE_CLASS cls = FileIdBothDirectoryRestartInfo;
  for (;;) {
    if (!GetFileInformationByHandleEx(folder, cls, buffer.data(), static_cast<DWORD>(buffer.size())))
      return GetLastError() == ERROR_NO_MORE_FILES;
    cls = FileIdBothDirectoryInfo;
    for (auto* e = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer.data());;) {
      std::wstring name(e->FileName, e->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..")
        entries.push_back({std::move(name), e->FileAttributes, e->FileId.QuadPart});
      if (e->NextEntryOffset == 0) break;
      e = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<unsigned char*>(e) +
                                                    e->NextEntryOffset);
    }
  }
}

LONGLONG FileId(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return -1;
  return static_cast<LONGLONG>((static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) |
                               info.nFileIndexLow);
}

bool MarkDeleted(HANDLE h, DWORD attributes) {
  // A read-only entry refuses deletion until the mark is off.
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    FILE_BASIC_INFO info{};
    info.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info);
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition);
}

void RemoveContents(HANDLE folder, RemoveCount& count);

// Removes the open entry `h`; the caller's closing of the handle completes
// it. `enter` is false when the folder's listing already named it a link.
void RemoveOpen(HANDLE h, bool enter, RemoveCount& count) {
  const DWORD attributes = Attributes(h);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    ++count.left;
    return;
  }
  const bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
  if (enter && !link && (attributes & FILE_ATTRIBUTE_DIRECTORY)) RemoveContents(h, count);
  if (MarkDeleted(h, attributes))
    ++count.removed;
  else
    ++count.left;
}

void RemoveContents(HANDLE folder, RemoveCount& count) {
  std::vector<Entry> entries;
  if (!ReadEntries(folder, entries)) {
    ++count.left;
    return;
  }
  for (const Entry& entry : entries) {
    Handle child(OpenRelative(folder, entry.name));
    if (!child) {
      ++count.left;
      continue;
    }
    // Wine 8.0 opens what a Unix symbolic link names even when asked not to,
    // and marks the link only in the listing; a different file than the
    // listing named was swapped in since.
    const bool enter =
        !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && FileId(child.get()) == entry.id;
    RemoveOpen(child.get(), enter, count);
  }
}

HANDLE OpenTop(const std::filesystem::path& path) {
  return CreateFileW(path.c_str(), DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The path's own attributes; Wine 8.0 marks a Unix link only here.
bool IsListedAsLink(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

RemoveCount RemoveFolderContents(const std::filesystem::path& folder) {
  RemoveCount count;
  Handle h(OpenTop(folder));
  if (!h) return count;
  const DWORD attributes = Attributes(h.get());
  if (IsListedAsLink(folder) || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return count;
  RemoveContents(h.get(), count);
  return count;
}

RemoveCount RemoveTree(const std::filesystem::path& path) {
  RemoveCount count;
  Handle h(OpenTop(path));
  if (h) RemoveOpen(h.get(), !IsListedAsLink(path), count);
  return count;
}

}  // namespace platform::win
