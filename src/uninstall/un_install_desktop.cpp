#include "uninstall/un_install_desktop.h"

#include <algorithm>
#include <vector>

#include "common/desktop_entry.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "platform/system.h"
#include "platform/win_constants.h"
#include "uninstall/un_install.h"

namespace vkr {
namespace {

// The launcher's folders lie in a folder of the platform's name, which goes with the last of them.
constexpr char16_t kVendorFolderName[] = u"velqo";

std::u16string WithoutTrailingSlash(std::u16string folder) {
  while (folder.size() > 1 && folder.back() == u'/') folder.pop_back();
  return folder;
}

std::u16string ParentFolder(const std::u16string& folder) {
  const std::u16string own = WithoutTrailingSlash(folder);
  const auto slash = own.rfind(u'/');
  return slash == std::u16string::npos || slash == 0 ? std::u16string() : own.substr(0, slash);
}

// Ends the other copies: termination does not wait for a process to end, so the list is asked
// again after a pause, a bounded number of times.
void EndOtherCopies() {
  for (int round = 0; round < kMaxTerminateRounds; ++round) {
    if (round > 0) Sys().clock->Sleep(kTerminatePauseMs);
    const std::vector<std::uint32_t> copies = Sys().desktop->OtherCopies();
    if (copies.empty()) return;
    for (const std::uint32_t id : copies) Sys().processes->Terminate(id, 0);
  }
}

}  // namespace

void DeleteDesktopTree(const std::u16string& folder) {
  const std::u16string own = WithoutTrailingSlash(folder);
  // Only an absolute folder below the root: never "/" itself, never a relative path.
  if (own.size() <= 1 || own.front() != u'/') return;
  std::uint32_t attributes = 0;
  if (!Sys().files->GetAttributes(own, &attributes)) return;
  if (attributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_REPARSE_POINT)) DeleteDirectoryTree(own);
}

void RemoveFolderIfEmpty(const std::u16string& folder) {
  const std::u16string own = WithoutTrailingSlash(folder);
  if (own.size() > 1 && Sys().files->DirectoryExists(own) && IsDirectoryEmpty(own)) Sys().files->RemoveDirectory(own);
}

bool RunDesktopUninstall() {
  Ui& ui = *Sys().ui;
  if (ui.MessageBox(kNoWindow, kUninstallQuestion, kUninstallCaption, kUninstallQuestionStyle) != win::IDOK) {
    return false;
  }
  if (!Sys().desktop->OtherCopies().empty()) {
    if (ui.MessageBox(kNoWindow, kForceQuitQuestion, kUninstallCaption, kUninstallQuestionStyle) != win::IDOK) {
      return false;
    }
    EndOtherCopies();
  }
  RemoveAutostartEntry();
  DeleteConfigFile();
  std::vector<std::u16string> made_folders = {WithoutTrailingSlash(GetDataDir())};
  for (const std::u16string& folder : Sys().desktop->BrowserDataFolders()) {
    DeleteDesktopTree(folder);
    made_folders.push_back(WithoutTrailingSlash(folder));
  }
  for (std::size_t i = 0, count = made_folders.size(); i < count; ++i) {
    const std::u16string parent = ParentFolder(made_folders[i]);
    if (ExtractFileName(parent) == kVendorFolderName) made_folders.push_back(parent);
  }
  // Innermost first: the pages' data lie inside the data folder, both inside the vendor's.
  std::sort(made_folders.begin(), made_folders.end(),
            [](const std::u16string& a, const std::u16string& b) { return a.size() > b.size(); });
  for (const std::u16string& folder : made_folders) RemoveFolderIfEmpty(folder);
  return true;
}

}  // namespace vkr
