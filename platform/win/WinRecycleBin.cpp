// The Recycle Bin through the shell: query, delete with undo, empty.
#include <windows.h>
// windows.h first: the shell headers need its types.
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/RecycleBin.h"
#include "platform/win/WinText.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using win::Utf8;

// Wine keeps the bin in the freedesktop.org trash and fails the query while
// that folder is missing; older Wine destroyed files when it was missing.
void EnsureWineTrash() {
  const fs::path trash = win::WineTrashFolder();
  if (trash.empty()) return;
  std::error_code ec;
  fs::create_directories(trash / L"files", ec);
  fs::create_directories(trash / L"info", ec);
}

bool Exists(const fs::path& p) {
  // A link counts as itself, dangling or not.
  return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES ||
         (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND);
}

// Shell file operations answer with their own codes below 0x10000 in part
// (the DE_ values), which FormatMessage does not know.
std::string FileOperationReason(int code) {
  switch (code) {
    case 0:
      return "no se pudo llevar a la papelera";
    case 0x78:  // DE_ACCESSDENIEDSRC
    case ERROR_ACCESS_DENIED:
      return "acceso denegado";
    case 0x20:  // ERROR_SHARING_VIOLATION
      return "está en uso";
    case 0x7C:  // DE_INVALIDFILES
    case 0x402:
      return "no se puede leer";
    default:
      return "no se pudo llevar a la papelera (" + win::ErrorText(static_cast<DWORD>(code)) + ")";
  }
}

// The items of the bin as the shell lists them, by their names in it.
std::vector<fs::path> BinItemNames() {
  std::vector<fs::path> names;
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    PIDLIST_ABSOLUTE binId = nullptr;
    IShellFolder* desktop = nullptr;
    IShellFolder* bin = nullptr;
    IEnumIDList* items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &binId)) &&
        SUCCEEDED(SHGetDesktopFolder(&desktop)) &&
        SUCCEEDED(desktop->BindToObject(binId, nullptr, IID_IShellFolder,
                                        reinterpret_cast<void**>(&bin))) &&
        bin->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                         &items) == S_OK) {
      PITEMID_CHILD item = nullptr;
      while (items->Next(1, &item, nullptr) == S_OK) {
        STRRET name{};
        wchar_t* text = nullptr;
        if (SUCCEEDED(bin->GetDisplayNameOf(item, SHGDN_NORMAL, &name)) &&
            SUCCEEDED(StrRetToStrW(&name, item, &text))) {
          names.emplace_back(text);
          CoTaskMemFree(text);
        }
        CoTaskMemFree(item);
      }
    }
    if (items) items->Release();
    if (bin) bin->Release();
    if (desktop) desktop->Release();
    if (binId) CoTaskMemFree(binId);
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return names;
}

class WinRecycleBin final : public RecycleBin {
 public:
  BinQuery query() override {
    EnsureWineTrash();
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    // No root: the bins of every drive together.
    if (FAILED(SHQueryRecycleBinW(nullptr, &info))) return {};
    return {info.i64NumItems, info.i64Size};
  }

  MoveResult moveToTrash(const std::vector<fs::path>& items) override {
    MoveResult result;
    std::wstring list;
    std::vector<fs::path> asked;
    for (const fs::path& item : items) {
      std::error_code ec;
      // The shell resolves relative names itself; what is checked afterwards
      // must be what it was given.
      fs::path full = item.empty() ? item : fs::absolute(item, ec).make_preferred();
      if (item.empty() || ec) {
        result.stayed.emplace_back(item, "ruta no válida");
      } else if (!Exists(full)) {
        result.stayed.emplace_back(item, "no existe");
      } else {
        list += full.wstring();
        list += L'\0';
        asked.push_back(item);
      }
    }
    if (!asked.empty()) {
      list += L'\0';
      EnsureWineTrash();
      SHFILEOPSTRUCTW op{};
      op.wFunc = FO_DELETE;
      op.pFrom = list.c_str();
      // Without the nuke warning a file that cannot go to a bin (a share, a
      // drive without one) is destroyed without a word.
      op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING;
      const int code = SHFileOperationW(&op);
      for (const fs::path& item : asked) {
        std::error_code ec;
        if (!Exists(fs::absolute(item, ec))) continue;
        result.stayed.emplace_back(
            item, op.fAnyOperationsAborted
                      ? std::string("no cabe en la papelera y no se borró definitivamente")
                      : FileOperationReason(code));
      }
    }
    result.ok = result.stayed.empty();
    return result;
  }

  EmptyResult empty(const std::function<bool(std::int64_t, std::int64_t)>& progress) override {
    EmptyResult result;
    const BinQuery before = query();
    if (progress && !progress(0, before.count)) return result;
    if (before.count == 0) return result;
    // The bin window asks and plays its own sound.
    SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
    const BinQuery after = query();
    result.removed = before.count > after.count ? before.count - after.count : 0;
    // The call's answer is not trusted: Wine 8 answers S_OK with folders left.
    if (after.count > 0) result.left = BinItemNames();
    if (progress) progress(result.removed, before.count);
    return result;
  }

  fs::path homeTrashFilesFolder() override {
    const fs::path trash = win::WineTrashFolder();
    return trash.empty() ? trash : trash / L"files";
  }

  // The shell's own bin window lists and restores; this adapter does not.
  std::vector<TrashedItem> list() override { return {}; }
  ItemsResult restore(const std::vector<TrashedItem>& items) override { return NotHere(items); }
  ItemsResult erase(const std::vector<TrashedItem>& items) override { return NotHere(items); }

 private:
  static ItemsResult NotHere(const std::vector<TrashedItem>& items) {
    ItemsResult r;
    for (const auto& item : items) r.stayed.emplace_back(item, "no disponible en este sistema");
    return r;
  }
};

}  // namespace

std::unique_ptr<RecycleBin> MakeRecycleBin() { return std::make_unique<WinRecycleBin>(); }

}  // namespace platform
