#include "platform/win32/shell_win32.h"

#include <new>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_headers.h"

namespace vkr::win32 {
namespace {

// The shell link's path buffer.
constexpr int kShortcutPathChars = MAX_PATH + 1;

}  // namespace

std::u16string Win32Shell::SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return u"";
  return FromWide(path);
}

std::u16string Win32Shell::KnownFolderPath(KnownFolder folder) {
  static const struct {
    KnownFolder folder;
    const KNOWNFOLDERID* id;
  } kIds[] = {
      {KnownFolder::kDownloads, &FOLDERID_Downloads},
      {KnownFolder::kSavedGames, &FOLDERID_SavedGames},
      {KnownFolder::kLinks, &FOLDERID_Links},
      {KnownFolder::kLocalAppDataLow, &FOLDERID_LocalAppDataLow},
      {KnownFolder::kUserProgramFiles, &FOLDERID_UserProgramFiles},
  };
  const KNOWNFOLDERID* id = nullptr;
  for (const auto& known : kIds) {
    if (known.folder == folder) id = known.id;
  }
  if (id == nullptr) return u"";
  PWSTR path = nullptr;
  const HRESULT result = ::SHGetKnownFolderPath(*id, KF_FLAG_DONT_VERIFY, nullptr, &path);
  // The buffer is the caller's to free on failure too.
  UniqueCoTaskMemory owned(path);
  if (FAILED(result) || path == nullptr) return u"";
  try {
    return FromWide(path);
  } catch (const std::bad_alloc&) {
    return u"";
  }
}

std::intptr_t Win32Shell::Execute(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                                  const std::u16string& parameters, const std::u16string& directory, int show) {
  const HINSTANCE result = ::ShellExecuteW(reinterpret_cast<HWND>(owner), WideOrNull(verb), Wide(file),
                                           WideOrNull(parameters), WideOrNull(directory), show);
  return reinterpret_cast<std::intptr_t>(result);
}

std::u16string Win32Shell::ResolveShortcut(const std::u16string& path) {
  if (path.empty()) return u"";
  const ScopedComInitialize com;
  if (!com.usable()) return u"";
  std::u16string target;
  {
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()))) {
      return u"";
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(IID_IPersistFile, &file)) || FAILED(file->Load(Wide(path), STGM_READ))) return u"";
    if (FAILED(link->Resolve(nullptr, SLR_NO_UI))) return u"";
    wchar_t buffer[kShortcutPathChars] = {};
    if (link->GetPath(buffer, kShortcutPathChars, nullptr, 0) != S_OK) return u"";
    target = FromWide(buffer);
  }  // the interfaces are released before COM is uninitialised
  return target;
}

}  // namespace vkr::win32
