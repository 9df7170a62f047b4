// The launcher's configuration (section "Common" of lander.ini), the shared run-time values and
// the built-in endpoints.
#pragma once

#include <string>

namespace vkr {

// Host names of the platform's services.
inline constexpr char16_t kMainSiteHost[] = u"www.velqo.com";
inline constexpr char16_t kPayHost[] = u"pay.velqo.com";
inline constexpr char16_t kForumHost[] = u"bbs.velqo.com";
inline constexpr char16_t kLoginHost[] = u"login.velqo.com";
inline constexpr char16_t kDownloadHost[] = u"down.velqo.com";
inline constexpr char16_t kStatisticsHost[] = u"stat.velqo.com";

// Built-in endpoints and address fragments.
extern const std::u16string HomePageUrl;
extern const std::u16string PayUrl;
extern const std::u16string ForumUrl;
extern const std::u16string ServiceUrl;
extern const std::u16string EnterGameMarker;
extern const std::u16string DefaultGameLoginUrl;
extern const std::u16string DefaultVersionCheckUrl;
extern const std::u16string DefaultVersionDownloadUrl;
extern const std::u16string AnimateIconDownloadUrl;
// The statistics address up to and including "?"; the report's query follows.
extern const std::u16string StatisticsUrlFormat;
extern const std::u16string GameServerHostSuffix;

// Keys and sections of lander.ini.
inline constexpr char16_t kConfigFileName[] = u"lander.ini";
inline constexpr char16_t kSectionCommon[] = u"Common";
inline constexpr char16_t kSectionInstall[] = u"Install";
inline constexpr char16_t kSectionOperate[] = u"Operate";

// Configuration values: set once by LoadConfig during initialisation, read-only afterwards, so
// that worker threads read them without a lock.
extern std::u16string LanderExeName;
extern std::u16string GameLoginUrl;
extern std::u16string VersionCheck;
extern std::u16string VersionDownLoad;
extern std::u16string Refer;
extern std::u16string UID;

// Shared run-time values, touched on the GUI thread only; empty at start.
extern std::u16string GameServerName;
extern std::u16string UserName;
extern std::u16string EnterGameUrl;
// "%s" twice: the server label, then the user name.
extern std::u16string PaySelectUrlFormat;

// The application title: the name of the Run entry and the caption of the worker's boxes. The
// login window sets it at its creation.
extern std::u16string ApplicationTitle;
inline constexpr char16_t kApplicationTitle[] = u"VelqoMorvane";

// Reads the six configuration values from section "Common" of lander.ini (at GetConfigPath,
// which creates DataDir), each with its default when the key is absent. LanderExeName names a
// file in DataDir that the Run entry starts, so it is taken only when IsPlainFileName says so;
// anything else gives the default.
void LoadConfig();
// True for a plain file name: 1 to 259 characters, no folder or drive separator ("\", "/",
// ":"), no quotation mark, no control character and no "..".
bool IsPlainFileName(const std::u16string& name);

// Restores every configuration and run-time value to its start value (tests).
void ResetConfigForTesting();

}  // namespace vkr
