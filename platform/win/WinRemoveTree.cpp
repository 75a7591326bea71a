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

// The names in the open folder, read in full before anything in it changes.
bool ReadNames(HANDLE folder, std::vector<std::wstring>& names) {
  std::vector<unsigned char> buffer(64 * 1024);
  FILE_INFO_BY_HANDLE_CLASS cls = FileIdBothDirectoryRestartInfo;
  for (;;) {
    if (!GetFileInformationByHandleEx(folder, cls, buffer.data(), static_cast<DWORD>(buffer.size())))
      return GetLastError() == ERROR_NO_MORE_FILES;
    cls = FileIdBothDirectoryInfo;
    for (auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer.data());;) {
      std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") names.push_back(std::move(name));
      if (entry->NextEntryOffset == 0) break;
      entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<unsigned char*>(entry) +
                                                        entry->NextEntryOffset);
    }
  }
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

// Removes the open entry `h`; its handle is closed by the caller, which
// completes the deletion.
void RemoveOpen(HANDLE h, RemoveCount& count) {
  const DWORD attributes = Attributes(h);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    ++count.left;
    return;
  }
  const bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !link) RemoveContents(h, count);
  if (MarkDeleted(h, attributes))
    ++count.removed;
  else
    ++count.left;
}

void RemoveContents(HANDLE folder, RemoveCount& count) {
  std::vector<std::wstring> names;
  if (!ReadNames(folder, names)) {
    ++count.left;
    return;
  }
  for (const std::wstring& name : names) {
    Handle child(OpenRelative(folder, name));
    if (!child) {
      ++count.left;
      continue;
    }
    RemoveOpen(child.get(), count);
  }
}

HANDLE OpenTop(const std::filesystem::path& path) {
  return CreateFileW(path.c_str(), DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

RemoveCount RemoveFolderContents(const std::filesystem::path& folder) {
  RemoveCount count;
  Handle h(OpenTop(folder));
  if (!h) return count;
  const DWORD attributes = Attributes(h.get());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return count;
  RemoveContents(h.get(), count);
  return count;
}

RemoveCount RemoveTree(const std::filesystem::path& path) {
  RemoveCount count;
  Handle h(OpenTop(path));
  if (h) RemoveOpen(h.get(), count);
  return count;
}

}  // namespace platform::win
