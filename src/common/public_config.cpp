#include "common/public_config.h"

#include "common/public_unit.h"
#include "platform/system.h"

namespace vkr {
namespace {

std::u16string HttpAddress(const char16_t* host, const char16_t* rest) {
  return std::u16string(u"http://") + host + rest;
}

// The size of the buffer the INI reader object passes to the profile function.
constexpr std::size_t kIniReaderBufferChars = 2048;

}  // namespace

const std::u16string HomePageUrl = HttpAddress(kMainSiteHost, u"/qx/");
const std::u16string PayUrl = HttpAddress(kPayHost, u"/index.php?step=3&game_id=155");
const std::u16string ForumUrl = HttpAddress(kForumHost, u"/index.php?gid=1800");
const std::u16string ServiceUrl = HttpAddress(kMainSiteHost, u"/service.html");
const std::u16string EnterGameMarker = std::u16string(kLoginHost) + u"/entergame_pc.php?";
const std::u16string DefaultGameLoginUrl = HttpAddress(kLoginHost, u"/client/index.php?regtimes=1&refer=123ss");
const std::u16string DefaultVersionCheckUrl = HttpAddress(kDownloadHost, u"/Velqo/vkr/official1/app.ini");
const std::u16string DefaultVersionDownloadUrl = HttpAddress(kDownloadHost, u"/Velqo/vkr/official1/Viziv_Ezadariz.exe");
const std::u16string AnimateIconDownloadUrl =
    HttpAddress(kDownloadHost, u"/Velqo/vkr/animateicon/VelqoAnimateIcon.exe");
const std::u16string StatisticsUrlFormat = HttpAddress(kStatisticsHost, u"/controller/istat.controller.php?");
const std::u16string GameServerHostSuffix = u".morvane.velqo.com/";

namespace {
const std::u16string kDefaultPaySelectUrlFormat =
    HttpAddress(kPayHost, u"/select.php?gamename=qx&gameserver=%s&username=%s");
}  // namespace

std::u16string LanderExeName = u"vkr";
std::u16string GameLoginUrl = DefaultGameLoginUrl;
std::u16string VersionCheck = DefaultVersionCheckUrl;
std::u16string VersionDownLoad = DefaultVersionDownloadUrl;
std::u16string Refer = u"client";
std::u16string UID;

std::u16string GameServerName;
std::u16string UserName;
std::u16string EnterGameUrl;
std::u16string PaySelectUrlFormat = kDefaultPaySelectUrlFormat;

std::u16string ApplicationTitle = u"vkr";

void LoadConfig() {
  const std::u16string path = GetConfigPath();
  ProfileStore& profile = *Sys().profile;
  auto read = [&](const char16_t* key, const std::u16string& fallback) {
    return profile.ReadString(path, kSectionCommon, key, fallback, kIniReaderBufferChars);
  };
  LanderExeName = read(u"LanderExeName", u"vkr");
  if (!IsPlainFileName(LanderExeName)) LanderExeName = u"vkr";
  GameLoginUrl = read(u"GameLoginUrl", DefaultGameLoginUrl);
  VersionCheck = read(u"VersionCheck", DefaultVersionCheckUrl);
  VersionDownLoad = read(u"VersionDownLoad", DefaultVersionDownloadUrl);
  Refer = read(u"Refer", u"client");
  UID = read(u"UID", u"");
}

bool IsPlainFileName(const std::u16string& name) {
  constexpr std::size_t kMaxNameChars = 259;
  if (name.empty() || name.size() > kMaxNameChars || name.find(u"..") != std::u16string::npos) return false;
  for (const char16_t c : name) {
    if (c < 0x20 || c == 0x7F || c == u'\\' || c == u'/' || c == u':' || c == u'"') return false;
  }
  return true;
}

void ResetConfigForTesting() {
  LanderExeName = u"vkr";
  GameLoginUrl = DefaultGameLoginUrl;
  VersionCheck = DefaultVersionCheckUrl;
  VersionDownLoad = DefaultVersionDownloadUrl;
  Refer = u"client";
  UID.clear();
  GameServerName.clear();
  UserName.clear();
  EnterGameUrl.clear();
  PaySelectUrlFormat = kDefaultPaySelectUrlFormat;
  ApplicationTitle = u"vkr";
}

}  // namespace vkr
