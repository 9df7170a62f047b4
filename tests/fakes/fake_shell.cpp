#include "fakes/fake_shell.h"

#include "common/text.h"
#include "platform/win_constants.h"

namespace vkr::testing {

FakeShell::FakeShell() {
  folders[win::CSIDL_PROGRAMS] = u"C:\\Users\\player\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
  folders[win::CSIDL_PERSONAL] = u"C:\\Users\\player\\Documents";
  folders[win::CSIDL_STARTMENU] = u"C:\\Users\\player\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
  folders[win::CSIDL_DESKTOPDIRECTORY] = u"C:\\Users\\player\\Desktop";
  folders[win::CSIDL_COMMON_STARTMENU] = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  folders[win::CSIDL_COMMON_PROGRAMS] = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
  folders[win::CSIDL_COMMON_DESKTOPDIRECTORY] = u"C:\\Users\\Public\\Desktop";
  folders[win::CSIDL_APPDATA] = u"C:\\Users\\player\\AppData\\Roaming";
  folders[win::CSIDL_LOCAL_APPDATA] = u"C:\\Users\\player\\AppData\\Local";
  folders[win::CSIDL_COMMON_APPDATA] = u"C:\\ProgramData";
  folders[win::CSIDL_WINDOWS] = u"C:\\Windows";
  folders[win::CSIDL_SYSTEM] = u"C:\\Windows\\system32";
  folders[win::CSIDL_PROGRAM_FILES] = u"C:\\Program Files";
  folders[win::CSIDL_PROFILE] = u"C:\\Users\\player";
  known_folders[KnownFolder::kDownloads] = u"C:\\Users\\player\\Downloads";
  known_folders[KnownFolder::kSavedGames] = u"C:\\Users\\player\\Saved Games";
  known_folders[KnownFolder::kLinks] = u"C:\\Users\\player\\Links";
  known_folders[KnownFolder::kLocalAppDataLow] = u"C:\\Users\\player\\AppData\\LocalLow";
  known_folders[KnownFolder::kUserProgramFiles] = u"C:\\Users\\player\\AppData\\Local\\Programs";
}

std::u16string FakeShell::KnownFolderPath(KnownFolder folder) {
  const auto it = known_folders.find(folder);
  return it == known_folders.end() ? std::u16string() : it->second;
}

std::u16string FakeShell::SpecialFolder(int csidl) {
  const auto it = folders.find(csidl);
  return it == folders.end() ? std::u16string() : it->second;
}

std::intptr_t FakeShell::Execute(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                                 const std::u16string& parameters, const std::u16string& directory, int show) {
  executions.push_back({owner, verb, file, parameters, directory, show});
  if (results.empty()) return 42;
  const std::intptr_t result = results.front();
  results.erase(results.begin());
  return result;
}

std::u16string FakeShell::ResolveShortcut(const std::u16string& path) {
  const auto it = shortcuts.find(LowerAscii(path));
  return it == shortcuts.end() ? std::u16string() : it->second;
}

}  // namespace vkr::testing
