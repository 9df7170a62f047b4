#include "statistics/net_bar.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/scoped_reg_key.h"
#include "platform/system.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

// Opening for reading tries these in order and keeps the first that succeeds, so that keys
// readable only with lesser rights are still looked at.
constexpr std::uint32_t kReadAccesses[] = {
    win::KEY_READ,
    win::STANDARD_RIGHTS_READ | win::KEY_QUERY_VALUE | win::KEY_ENUMERATE_SUB_KEYS,
    win::KEY_QUERY_VALUE,
};
constexpr std::uint32_t kExistsAccess = win::STANDARD_RIGHTS_READ | win::KEY_QUERY_VALUE | win::KEY_ENUMERATE_SUB_KEYS;

constexpr char16_t kUninstallPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A failed open leaves the key empty, so the next attempt may reuse it.
bool OpenForRead(RegKey parent, const std::u16string& path, ScopedRegKey& key, std::uint32_t* access_used) {
  for (const std::uint32_t access : kReadAccesses) {
    if (Sys().registry->OpenKey(parent, path, access, key.out()) == win::ERROR_SUCCESS) {
      if (access_used) *access_used = access;
      return true;
    }
  }
  return false;
}

bool KeyExists(RegKey parent, const std::u16string& path) {
  ScopedRegKey key;
  return Sys().registry->OpenKey(parent, path, kExistsAccess, key.out()) == win::ERROR_SUCCESS;
}

// Reads a string value (REG_SZ, or REG_EXPAND_SZ taken unexpanded) cut at its first zero. A
// missing value or one without data reads as empty. False for a value of another type that has
// data, which ends the whole detection.
bool ReadStringValue(RegKey key, const std::u16string& name, std::u16string* text) {
  text->clear();
  std::uint32_t type = win::REG_NONE;
  std::vector<std::uint8_t> data;
  if (Sys().registry->QueryValue(key, name, &type, &data) != win::ERROR_SUCCESS) return true;
  if (type != win::REG_SZ && type != win::REG_EXPAND_SZ) return data.empty();
  *text = TextBeforeNul(FromUtf16LeBytes(data));
  return true;
}

// The text after the last "\" or ":" (the whole text without either).
std::u16string FileNamePart(const std::u16string& path) {
  const auto pos = path.find_last_of(u"\\:");
  return pos == std::u16string::npos ? path : path.substr(pos + 1);
}

// The system's lower-casing, not A to Z only: a name written with other capitals still matches.
bool NameEquals(const std::u16string& path, const std::u16string& lower_name) {
  return Sys().files->LowerCaseFileName(FileNamePart(path)) == lower_name;
}

bool IsFile(const std::u16string& path) { return Sys().files->FileExists(path); }

// "Userinit": a comma-separated chain; quotes are dropped from each item, blanks are kept.
bool LogonChainHasBarClient(std::u16string text) {
  while (!text.empty()) {
    const auto comma = text.find(u',');
    std::u16string item = text.substr(0, comma);
    text = comma == std::u16string::npos ? std::u16string() : text.substr(comma + 1);
    std::u16string unquoted;
    for (const char16_t c : item) {
      if (c != u'"') unquoted.push_back(c);
    }
    if (NameEquals(unquoted, u"barclient.exe") && IsFile(unquoted)) return true;
  }
  return false;
}

// "ZGamebtClient": the program path, optionally followed by exactly " /boot".
bool BootSwitchNamesGamebt(std::u16string text) {
  if (text.empty()) return false;
  static const std::u16string kBootSwitch = u" /boot";
  if (text.size() >= kBootSwitch.size() &&
      text.compare(text.size() - kBootSwitch.size(), kBootSwitch.size(), kBootSwitch) == 0) {
    text.resize(text.size() - kBootSwitch.size());
  }
  return NameEquals(text, u"gamebt.exe") && IsFile(text);
}

enum class ValueTest {
  kFolderPlusFile,  // the value is a folder holding `file`
  kValueIsFile,     // the value is an existing file
  kNamedFile,       // the value, used whole, is an existing file named `file`
  kLogonChain,
  kBootSwitch,
};

struct ValueCheck {
  const char16_t* key;
  const char16_t* value;
  ValueTest test;
  const char16_t* file;
  std::int32_t code;
};

constexpr char16_t kRunPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

const ValueCheck kValueChecks[] = {
    {u"Software\\Hintsoft\\PubwinClient", u"InstallDir", ValueTest::kFolderPlusFile, u"PubwinClient.exe", 0},
    {u"SOFTWARE\\Hintsoft\\pubwin", u"ExEPath", ValueTest::kValueIsFile, nullptr, 0},
    {kRunPath, u"wxClient", ValueTest::kNamedFile, u"clsmn.exe", 1},
    {u"Software\\MpSoft\\smenu", u"", ValueTest::kFolderPlusFile, u"smenu.exe", 2},
    {u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", u"Userinit", ValueTest::kLogonChain, nullptr, 3},
    {kRunPath, u"jzu", ValueTest::kNamedFile, u"heiclent.exe", 4},
    {kRunPath, u"逍遥游网络大管家客户端", ValueTest::kNamedFile, u"winlogon.exe", 5},
    {u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\BarClientView.exe", u"", ValueTest::kNamedFile,
     u"barclientview.exe", 6},
    {u"SOFTWARE\\Goyoo\\i8desk", u"InstCPath", ValueTest::kFolderPlusFile, u"BarOnline.exe", 7},
    {u"SOFTWARE\\Hintsoft1\\XunShanPro", u"XsGameList_FPath", ValueTest::kValueIsFile, nullptr, 8},
    {u"SOFTWARE\\SyncExpertNetBar", u"ClientDir", ValueTest::kFolderPlusFile, u"SEBarClt.exe", 9},
    {kRunPath, u"ZGamebtClient", ValueTest::kBootSwitch, nullptr, 10},
};

bool Passes(const ValueCheck& check, const std::u16string& text) {
  switch (check.test) {
    case ValueTest::kFolderPlusFile:
      return !text.empty() && IsFile(IncludeTrailingBackslash(text) + check.file);
    case ValueTest::kValueIsFile:
      return !text.empty() && IsFile(text);
    case ValueTest::kNamedFile:
      return !text.empty() && NameEquals(text, check.file) && IsFile(text);
    case ValueTest::kLogonChain:
      return LogonChainHasBarClient(text);
    case ValueTest::kBootSwitch:
      return BootSwitchNamesGamebt(text);
  }
  return false;
}

// A product's trace (the name of its key under HKLM\Software, or a text in an uninstall entry's
// display name) and the product's code.
struct Trace {
  const char16_t* text;
  std::int32_t code;
};

const Trace kKeyChecks[] = {
    {u"Hintsoft\\PubwinClient", 0},
    {u"Hintsoft\\pubwin", 0},
    {u"Sicent\\wx2004Clt", 1},
    {u"MpSoft\\smenu", 2},
    {u"Microsoft\\jingzu", 4},
    {u"iCafe8", 6},
    {u"Goyoo\\i8desk", 7},
    {u"Hintsoft1\\XunShanPro", 8},
    {u"SyncExpertNetBar", 9},
    {u"EYOOCLIENTSTATUS", 11},
    {u"Richtech", 12},
};

const Trace kDisplayNameMarks[] = {
    {u"迅闪", 8},
    {u"EYOO2008 For EYOONET", 11},
    {u"锐起游戏共享精灵", 12},
    {u"天下网吧Qmenu", 13},
};

// Stage 1: a product's key alone is its trace.
std::int32_t CheckProductKeys() {
  ScopedRegKey software;
  if (!OpenForRead(win::HKEY_LOCAL_MACHINE, u"software", software, nullptr)) return kNoNetBar;
  for (const Trace& check : kKeyChecks) {
    if (KeyExists(software.get(), check.text)) return check.code;
  }
  return kNoNetBar;
}

// Stage 2: values that name the product's program file, which must exist. False when a value
// of a non-string type ends the detection.
bool CheckProductFiles(std::int32_t* code) {
  for (const ValueCheck& check : kValueChecks) {
    ScopedRegKey key;
    if (!OpenForRead(win::HKEY_LOCAL_MACHINE, check.key, key, nullptr)) continue;
    std::u16string text;
    if (!ReadStringValue(key.get(), check.value, &text)) return false;
    if (Passes(check, text)) {
      *code = check.code;
      return true;
    }
  }
  return true;
}

// Stage 3: the display names of the uninstall entries, in enumeration order.
std::int32_t CheckUninstallEntries() {
  std::vector<std::u16string> names;
  std::uint32_t access = 0;
  {
    ScopedRegKey uninstall;
    if (!OpenForRead(win::HKEY_LOCAL_MACHINE, kUninstallPath, uninstall, &access)) return kNoNetBar;
    std::u16string name;
    for (std::uint32_t index = 0; Sys().registry->EnumKey(uninstall.get(), index, &name) == win::ERROR_SUCCESS;
         ++index) {
      names.push_back(name);
    }
  }
  const std::u16string prefix = std::u16string(kUninstallPath) + u"\\";
  for (const std::u16string& name : names) {
    ScopedRegKey entry;
    if (Sys().registry->OpenKey(win::HKEY_LOCAL_MACHINE, prefix + name, access, entry.out()) != win::ERROR_SUCCESS) {
      continue;
    }
    std::u16string display_name;
    if (!ReadStringValue(entry.get(), u"DisplayName", &display_name)) display_name.clear();
    for (const Trace& mark : kDisplayNameMarks) {
      if (Contains(display_name, mark.text)) return mark.code;
    }
  }
  return kNoNetBar;
}

}  // namespace

std::int32_t GetNetBarType() {
  try {
    std::int32_t code = CheckProductKeys();
    if (code != kNoNetBar) return code;
    if (!CheckProductFiles(&code)) return kNoNetBar;
    if (code != kNoNetBar) return code;
    return CheckUninstallEntries();
  } catch (...) {
    // Out of memory on a huge registry: report no cafe, as for any other failure here.
    return kNoNetBar;
  }
}

bool CheckNetBar() { return GetNetBarType() >= 0; }

}  // namespace vkr
