// The cafe detection over arbitrary registry contents: product keys and value names of the known
// products mixed with random ones, values of any type and bytes, keys that refuse some accesses,
// and a few program files on disk. The result is a product code or kNoNetBar, the same on a
// second run, every key opened is closed, and nothing is created, written or deleted.
#include <vector>

#include "fakes/fake_system.h"
#include "fuzz_support.h"
#include "platform/win_constants.h"
#include "statistics/net_bar.h"

namespace {

using vkr::RegKey;
using vkr::testing::FakeRegistry;
namespace win = vkr::win;

// Forwards to the fake registry and counts every call that could change it.
class ReadOnlyCheck : public vkr::Registry {
 public:
  explicit ReadOnlyCheck(vkr::Registry& inner) : inner_(inner) {}
  long OpenKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override {
    return inner_.OpenKey(parent, path, access, out);
  }
  long CreateKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override {
    ++changes;
    return inner_.CreateKey(parent, path, access, out);
  }
  long QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                  std::vector<std::uint8_t>* data) override {
    return inner_.QueryValue(key, name, type, data);
  }
  long SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override {
    ++changes;
    return inner_.SetValue(key, name, type, data);
  }
  long DeleteValue(RegKey key, const std::u16string& name) override {
    ++changes;
    return inner_.DeleteValue(key, name);
  }
  long DeleteTree(RegKey key, const std::u16string& subkey) override {
    ++changes;
    return inner_.DeleteTree(key, subkey);
  }
  long EnumKey(RegKey key, std::uint32_t index, std::u16string* name) override {
    return inner_.EnumKey(key, index, name);
  }
  long EnumValue(RegKey key, std::uint32_t index, std::u16string* name) override {
    return inner_.EnumValue(key, index, name);
  }
  void CloseKey(RegKey key) override { inner_.CloseKey(key); }

  int changes = 0;

 private:
  vkr::Registry& inner_;
};

constexpr char16_t kUninstall[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

const std::u16string kKeys[] = {
    u"SOFTWARE",
    u"Software\\Hintsoft\\PubwinClient",
    u"SOFTWARE\\Hintsoft\\pubwin",
    u"Software\\Sicent\\wx2004Clt",
    u"Software\\MpSoft\\smenu",
    u"Software\\Microsoft\\jingzu",
    u"Software\\iCafe8",
    u"SOFTWARE\\Goyoo\\i8desk",
    u"SOFTWARE\\Hintsoft1\\XunShanPro",
    u"SOFTWARE\\SyncExpertNetBar",
    u"Software\\EYOOCLIENTSTATUS",
    u"Software\\Richtech",
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\BarClientView.exe",
    kUninstall,
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Entry",
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\迅闪",
    u"Software\\Other",
};

const std::u16string kValueNames[] = {u"InstallDir",
                                      u"ExEPath",
                                      u"wxClient",
                                      u"",
                                      u"Userinit",
                                      u"jzu",
                                      u"逍遥游网络大管家客户端",
                                      u"InstCPath",
                                      u"XsGameList_FPath",
                                      u"ClientDir",
                                      u"ZGamebtClient",
                                      u"DisplayName",
                                      u"Other"};

const std::u16string kTexts[] = {u"C:\\Bar",
                                 u"C:\\Bar\\",
                                 u"C:\\Bar\\clsmn.exe",
                                 u"C:\\Bar\\barclient.exe",
                                 u"C:\\Windows\\system32\\userinit.exe,\"C:\\Bar\\BarClient.exe\",",
                                 u"C:\\Bar\\gamebt.exe /boot",
                                 u"C:\\Bar\\heiclent.exe",
                                 u"C:\\Bar\\winlogon.exe",
                                 u"C:\\Bar\\BarClientView.exe",
                                 u"迅闪游戏菜单",
                                 u"EYOO2008 For EYOONET",
                                 u"锐起游戏共享精灵",
                                 u"天下网吧Qmenu",
                                 u",,\"\",",
                                 u" /boot"};

const std::u16string kFiles[] = {u"C:\\Bar\\PubwinClient.exe",  u"C:\\Bar\\clsmn.exe",     u"C:\\Bar\\smenu.exe",
                                 u"C:\\Bar\\barclient.exe",     u"C:\\Bar\\heiclent.exe",  u"C:\\Bar\\winlogon.exe",
                                 u"C:\\Bar\\BarClientView.exe", u"C:\\Bar\\BarOnline.exe", u"C:\\Bar\\SEBarClt.exe",
                                 u"C:\\Bar\\gamebt.exe"};

const std::uint32_t kTypes[] = {win::REG_SZ,     win::REG_EXPAND_SZ, win::REG_DWORD,
                                win::REG_BINARY, win::REG_NONE,      win::REG_MULTI_SZ};

const std::uint32_t kAccesses[] = {0, win::KEY_READ, win::KEY_QUERY_VALUE,
                                   win::STANDARD_RIGHTS_READ | win::KEY_QUERY_VALUE | win::KEY_ENUMERATE_SUB_KEYS,
                                   win::KEY_ENUMERATE_SUB_KEYS};

template <typename T, std::size_t N>
const T& Pick(FuzzedDataProvider& data, const T (&items)[N]) {
  return items[data.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

std::u16string ConsumeKey(FuzzedDataProvider& data) {
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return std::u16string(kUninstall) + u"\\" + vkr::fuzz::ConsumeText(data, 8);
    case 1:
      return u"SOFTWARE\\" + vkr::fuzz::ConsumeText(data, 12);
    default:
      return Pick(data, kKeys);
  }
}

std::vector<std::uint8_t> ConsumeData(FuzzedDataProvider& data) {
  if (data.ConsumeBool()) {
    const std::size_t size = data.ConsumeIntegralInRange<std::size_t>(0, 40);
    return data.ConsumeBytes<std::uint8_t>(size);
  }
  std::u16string text = data.ConsumeBool() ? Pick(data, kTexts) : vkr::fuzz::ConsumeText(data, 20);
  if (data.ConsumeBool()) text += Pick(data, kTexts);
  std::vector<std::uint8_t> bytes = vkr::ToUtf16LeBytes(text, data.ConsumeBool());
  if (!bytes.empty() && data.ConsumeBool()) bytes.pop_back();  // an odd byte count
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  vkr::testing::FakeSystem system;
  FakeRegistry& registry = system.registry;
  // Often every program file is there, so that whatever the registry names can be found.
  if (data.ConsumeBool()) {
    for (const std::u16string& file : kFiles) system.files.PutFile(file, "MZ");
  }
  const std::size_t steps = data.ConsumeIntegralInRange<std::size_t>(0, 24);
  for (std::size_t i = 0; i < steps && data.remaining_bytes() > 0; ++i) {
    const FakeRegistry::View view =
        data.ConsumeIntegralInRange<int>(0, 7) == 0 ? FakeRegistry::View::k64 : FakeRegistry::View::k32;
    switch (data.ConsumeIntegralInRange<int>(0, 5)) {
      case 0:
        registry.PutKey(win::HKEY_LOCAL_MACHINE, ConsumeKey(data), view);
        break;
      case 1: {
        const std::u16string key = ConsumeKey(data);
        const std::uint32_t allowed =
            data.ConsumeBool() ? Pick(data, kAccesses) : data.ConsumeIntegral<std::uint32_t>();
        registry.RestrictAccess(win::HKEY_LOCAL_MACHINE, key, allowed, view);
        break;
      }
      case 2:
        system.files.PutFile(Pick(data, kFiles), "MZ");
        break;
      default: {
        const std::u16string key = ConsumeKey(data);
        const std::u16string name = data.ConsumeBool() ? Pick(data, kValueNames) : vkr::fuzz::ConsumeText(data, 8);
        const std::uint32_t type = data.ConsumeBool() ? Pick(data, kTypes) : data.ConsumeIntegral<std::uint32_t>();
        registry.PutValue(win::HKEY_LOCAL_MACHINE, key, name, type, ConsumeData(data), view);
        break;
      }
    }
  }
  const std::size_t files_before = system.files.AllFiles().size();

  ReadOnlyCheck check(registry);
  vkr::System installed = vkr::Sys();
  installed.registry = &check;
  vkr::InstallSystem(installed);

  const std::int32_t code = vkr::GetNetBarType();
  VKR_FUZZ_CHECK(code == vkr::kNoNetBar || (code >= 0 && code <= 13));
  VKR_FUZZ_CHECK(registry.open_keys() == 0);
  VKR_FUZZ_CHECK(vkr::CheckNetBar() == (code >= 0));
  VKR_FUZZ_CHECK(vkr::GetNetBarType() == code);
  VKR_FUZZ_CHECK(registry.open_keys() == 0);
  VKR_FUZZ_CHECK(check.changes == 0);
  for (const auto& request : registry.requests) {
    VKR_FUZZ_CHECK(!request.create);
    VKR_FUZZ_CHECK((request.access & (win::KEY_WOW64_32KEY | win::KEY_WOW64_64KEY)) == 0);
  }
  VKR_FUZZ_CHECK(system.files.written.empty() && system.files.deleted.empty());
  VKR_FUZZ_CHECK(system.files.AllFiles().size() == files_before);
  return 0;
}
