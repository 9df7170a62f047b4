#include "login/updata_thread.h"

#include "common/ini_text.h"
#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/sha256.h"
#include "common/text.h"
#include "platform/system.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

// The description file is a few lines; anything larger is not one.
constexpr std::size_t kMaxDescriptionBytes = 16 * 1024;
// Installers are a few MiB; the cap only stops a broken or hostile server.
constexpr std::uint64_t kMaxInstallerBytes = 256ull * 1024 * 1024;
// The worker's own requests must end even when a server accepts and never answers.
constexpr std::uint32_t kReadTimeoutMs = 30000;
// The description is small: its whole exchange ends within this.
constexpr std::uint32_t kDescriptionTotalMs = 30000;
constexpr char16_t kInstallerName[] = u"Viziv_Ezadariz.exe";

std::string FileSha256(const std::u16string& path) {
  constexpr std::size_t kChunk = 256 * 1024;
  Sha256 sha;
  std::uint64_t offset = 0;
  std::string chunk;
  while (Sys().files->ReadFileAt(path, offset, kChunk, &chunk) && !chunk.empty()) {
    sha.Update(chunk.data(), chunk.size());
    offset += chunk.size();
    if (chunk.size() < kChunk) break;
  }
  return Sha256::ToHex(sha.Finish());
}

bool IsSha256Text(const std::u16string& text) {
  if (text.size() != 64) return false;
  for (const char16_t c : text) {
    const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    if (!hex) return false;
  }
  return true;
}

// Where the installer is saved and started.
struct InstallerPlace {
  std::u16string folder;
  // The new process's current folder: empty for the launcher's own, the private folder otherwise.
  std::u16string current_directory;
  bool private_folder = false;
};

// A new folder of a random name in `parent`, made by this call alone (an existing name, whoever
// made it, is never used); empty when none could be made.
std::u16string NewPrivateFolder(const std::u16string& parent) {
  constexpr int kAttempts = 8;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::uint8_t random[16];
    if (!Sys().machine->NewGuid(random)) return u"";
    std::u16string name = u"vkr-";
    for (const std::uint8_t byte : random) name += HexDigits(byte, 2, true);
    if (Sys().files->CreateNewDirectory(parent + name)) return parent + name + u"\\";
  }
  return u"";
}

// The folder the installer is saved in: the launcher's own when it is writable (a per-user
// install), otherwise a private new folder in the user's temporary folder (a per-machine install
// run by a user), so that nothing another program planted in the shared temporary folder sits
// beside the installer or in its current folder.
InstallerPlace PlaceInstaller() {
  InstallerPlace place;
  const std::u16string folder = GetLauncherFolder();
  const std::u16string probe = folder + kInstallerName + u".probe";
  if (Sys().files->WriteFile(probe, "")) {
    Sys().files->DeleteFile(probe);
    place.folder = folder;
    return place;
  }
  place.folder = NewPrivateFolder(IncludeTrailingBackslash(Sys().files->TempFolder()));
  place.current_directory = place.folder;
  place.private_folder = true;
  return place;
}

// Downloads the installer and checks it; the path of the saved installer, or empty on failure (a
// private folder made for it is removed again).
std::u16string DownloadInstaller(const std::u16string& url, const std::u16string& expected_sha256,
                                 const InstallerPlace& place) {
  if (place.folder.empty()) return u"";
  const std::u16string target = place.folder + kInstallerName;
  const auto matches_digest = [&](const std::u16string& file) {
    return expected_sha256.empty() || FileSha256(file) == ToUtf8(LowerAscii(expected_sha256));
  };
  if (DownloadProgram(url, target, kReadTimeoutMs, kMaxInstallerBytes, matches_digest)) return target;
  if (place.private_folder) Sys().files->RemoveDirectory(place.folder);
  return u"";
}

}  // namespace

bool TUpdataThread::Start(std::function<void()> close_app) {
  // Where the package manager updates the launcher, there is nothing for the worker to do.
  if (Sys().desktop && !Sys().desktop->SelfUpdates()) return false;
  return Sys().threads->StartDetached([close_app = std::move(close_app)]() {
    try {
      Execute(close_app);
    } catch (...) {
      // A version component that is not a number, or any other unexpected error, ends the run
      // silently.
    }
  });
}

void TUpdataThread::Execute(const std::function<void()>& close_app) {
  // Copies taken at once: the configuration values are fixed after start-up, and the worker
  // may outlive everything else in the process.
  const std::u16string check_url = VersionCheck;
  const std::u16string download_url = VersionDownLoad;
  const std::u16string caption = ApplicationTitle;

  if (!Sys().files->FileExists(GetAnimatePath())) UpgradeAnimateIcon();

  // The description is read in memory, so a launcher folder the user cannot write to still gets
  // its updates and nothing is left beside the program.
  const HttpResult description =
      Sys().http->Get(check_url, HttpBounds::Exchange(kReadTimeoutMs, kDescriptionTotalMs), kMaxDescriptionBytes);
  if (!description.Ok() || description.truncated) return;
  const std::u16string text = DecodeTextFile(description.body);
  const std::u16string remote = ReadIniValue(text, u"version", u"currentversion", u"");
  const std::u16string expected_sha256 = ReadIniValue(text, u"version", u"sha256", u"");

  const std::u16string local = GetFileVersionString();
  if (!IsVersionLower(local, remote)) return;

  Sys().ui->MessageBox(kNoWindow, u"检测到最新版本" + remote + u"，正在为您更新，请稍候！", caption, win::MB_OK);

  // A published digest that is not a digest cannot be matched: the download counts as failed.
  const bool digest_usable = expected_sha256.empty() || IsSha256Text(expected_sha256);
  const InstallerPlace place = digest_usable ? PlaceInstaller() : InstallerPlace();
  const std::u16string installer = DownloadInstaller(download_url, expected_sha256, place);
  if (installer.empty() || !StartDownloadedProgram(installer, place.current_directory)) {
    Sys().ui->MessageBox(kNoWindow, u"网络出错!", caption, win::MB_OK);
    return;
  }

  Sys().ui->CallOnGuiThread(close_app);
  Sys().ui->Terminate();
}

}  // namespace vkr
