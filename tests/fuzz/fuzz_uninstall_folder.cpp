// The uninstall mode's folder rule and batch over arbitrary paths. A shared folder (special,
// program or user-data folder, the profile), or any folder above it, is never removed beyond the
// launcher's own files, however it is spelt (letter case, "/", doubled or trailing separators,
// the "\\?\", "\\.\" and "\??\" forms, "." and ".." steps, trailing dots and blanks); nor is a
// folder directly in the profile. A folder directly in a program folder, anywhere in a user-data
// folder or holding another program's registered folder is not removed whole. A plain folder two
// steps below a special or program folder is. In the batch every path stands inside quotation
// marks, and nothing from a path ends a line, closes the quotation or expands as a variable.
#include <vector>

#include "fakes/fake_system.h"
#include "fuzz_support.h"
#include "uninstall/un_install.h"

namespace {

struct Path {
  bool unc = false;
  std::u16string root;                     // "C:" or "\\server\share"
  std::vector<std::u16string> components;  // below the root
};

std::u16string ConsumeName(FuzzedDataProvider& data) {
  static const std::u16string kNames[] = {u"Users", u"player", u"Program Files", u"AppData", u"Local",
                                          u"Temp",  u"Games",  u"vkr",           u"Velqo",   u"玩家",
                                          u"a.b",   u"x y",    u"Документы",     u"Médias",  u"Ελένη"};
  if (data.ConsumeBool()) return kNames[data.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
  std::u16string name;
  const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(1, 6);
  static const char16_t kLetters[] = u"abcXYZ09_-~$%!";
  for (std::size_t i = 0; i < length; ++i) {
    name.push_back(kLetters[data.ConsumeIntegralInRange<std::size_t>(0, std::size(kLetters) - 2)]);
  }
  return name;
}

Path ConsumePath(FuzzedDataProvider& data, std::size_t min_components) {
  Path path;
  path.unc = data.ConsumeIntegralInRange<int>(0, 3) == 0;
  path.root = path.unc ? u"\\\\server\\share"
                       : std::u16string(1, static_cast<char16_t>(u'C' + data.ConsumeIntegralInRange<int>(0, 2))) + u":";
  const std::size_t count = data.ConsumeIntegralInRange<std::size_t>(min_components, 4);
  for (std::size_t i = 0; i < count; ++i) path.components.push_back(ConsumeName(data));
  return path;
}

// The other case of a letter that the fake's upper-casing rule knows (A to Z, Latin-1, Greek,
// Cyrillic), so that both forms name the same folder.
char16_t FlipCase(char16_t c) {
  const auto in = [c](char16_t low, char16_t high) { return c >= low && c <= high; };
  if (in(u'a', u'z') || (in(0xE0, 0xFE) && c != 0xF7) || (in(0x3B1, 0x3C9) && c != 0x3C2) || in(0x430, 0x44F)) {
    return static_cast<char16_t>(c - 0x20);
  }
  if (in(u'A', u'Z') || (in(0xC0, 0xDE) && c != 0xD7) || (in(0x391, 0x3A9) && c != 0x3A2) || in(0x410, 0x42F)) {
    return static_cast<char16_t>(c + 0x20);
  }
  if (in(0x450, 0x45F)) return static_cast<char16_t>(c - 0x50);
  if (in(0x400, 0x40F)) return static_cast<char16_t>(c + 0x50);
  return c;
}

// The path written in one of the many ways the system reads as the same folder.
std::u16string Spell(FuzzedDataProvider& data, const Path& path, bool odd_forms) {
  const auto separator = [&]() -> std::u16string {
    std::u16string s = data.ConsumeBool() ? u"\\" : u"/";
    if (odd_forms && data.ConsumeIntegralInRange<int>(0, 3) == 0) s += u"\\";
    return s;
  };
  std::u16string text;
  switch (data.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
      text = path.unc ? u"\\\\?\\UNC\\" + path.root.substr(2) : u"\\\\?\\" + path.root;
      break;
    case 1:
      text = path.unc ? u"\\\\.\\UNC\\" + path.root.substr(2) : u"\\\\.\\" + path.root;
      break;
    case 2:
      text = path.unc ? path.root : u"\\??\\" + path.root;
      break;
    default:
      text = path.root;
      break;
  }
  for (const std::u16string& component : path.components) {
    text += separator();
    if (odd_forms) {
      switch (data.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
          text += u"." + separator();
          break;
        case 1:
          text += ConsumeName(data) + separator() + u".." + separator();
          break;
        default:
          break;
      }
    }
    text += component;
    if (odd_forms && data.ConsumeIntegralInRange<int>(0, 5) == 0) text += data.ConsumeBool() ? u"." : u" ";
  }
  const int trailing = data.ConsumeIntegralInRange<int>(0, 3);
  for (int i = 0; i < trailing && i < 2; ++i) text += separator();
  for (char16_t& c : text) {
    if (data.ConsumeIntegralInRange<int>(0, 3) == 0) c = FlipCase(c);
  }
  return text;
}

Path Prefix(const Path& path, std::size_t components) {
  Path prefix = path;
  prefix.components.resize(components);
  return prefix;
}

Path Below(Path path, FuzzedDataProvider& data, std::size_t min_steps, std::size_t max_steps) {
  const std::size_t steps = data.ConsumeIntegralInRange<std::size_t>(min_steps, max_steps);
  for (std::size_t i = 0; i < steps; ++i) path.components.push_back(i == 0 ? u"Velqo" : ConsumeName(data));
  return path;
}

bool HasUnquotable(const std::u16string& path) {
  for (const char16_t c : path) {
    if (c < 0x20 || c == u'"') return true;
  }
  return false;
}

// Path text with the characters the batch must take care of.
std::u16string ConsumeBatchPath(FuzzedDataProvider& data, std::size_t max_units) {
  // clang-format off
  static const std::u16string kPieces[] = {u"C:\\", u"Program Files\\", u"vkr", u"%", u"%%", u"%PATH%", u"!x!", u"^",
                                           u"&", u"|", u">", u" ", u"\r\n", u"\n", u"\"", u"玩家", u"~1"};
  // clang-format on
  return vkr::fuzz::ConsumeFromPieces(data, kPieces, max_units);
}

bool HasLineBreak(const std::u16string& text) { return text.find_first_of(u"\r\n") != std::u16string::npos; }

// The batch's lines; each path argument stands inside quotation marks and reads back (with
// "%%" as "%") as one of the expected paths.
void CheckBatch(const std::u16string& batch, const std::u16string& exe, const std::u16string& folder,
                vkr::FolderRemoval removal, const std::u16string& ping) {
  // Refused exactly when a path holds what no Windows path can: a quotation mark or a control
  // character.
  VKR_FUZZ_CHECK(batch.empty() == (HasUnquotable(exe) || HasUnquotable(folder) || HasUnquotable(ping)));
  if (batch.empty()) return;
  VKR_FUZZ_CHECK(batch.size() >= 2 && batch.compare(batch.size() - 2, 2, u"\r\n") == 0);
  // Before anything else, so that no "!" of a path expands.
  VKR_FUZZ_CHECK(batch.compare(0, 35, u"@setlocal DisableDelayedExpansion\r\n") == 0);
  std::vector<std::u16string> expected = {exe, ping};
  if (removal == vkr::FolderRemoval::kWhole) {
    expected.push_back(folder);
  } else {
    for (const char16_t* own : {u"\\Skin\\loginBack.png", u"\\Skin", u"\\Upgrade\\IconAnimate_Update.exe", u"\\Upgrade",
                                u"\\Viziv_Ezadariz.exe"}) {
      expected.push_back(folder + own);
    }
    if (removal == vkr::FolderRemoval::kOwnFilesThenEmptyFolder) expected.push_back(folder);
  }
  std::size_t quoted_paths = 0;
  std::size_t start = 0;
  while (start < batch.size()) {
    const std::size_t end = batch.find(u"\r\n", start);
    VKR_FUZZ_CHECK(end != std::u16string::npos);
    const std::u16string line = batch.substr(start, end - start);
    start = end + 2;
    VKR_FUZZ_CHECK(!HasLineBreak(line));
    const std::size_t open = line.find(u'"');
    if (open == std::u16string::npos) {
      VKR_FUZZ_CHECK(line.find(u'%') == std::u16string::npos ||
                     line == u"if %vkr_tries% geq " + vkr::ToText(vkr::kMaxBatchTries) + u" goto done");
      continue;
    }
    const std::size_t close = line.find(u'"', open + 1);
    VKR_FUZZ_CHECK(close != std::u16string::npos);
    VKR_FUZZ_CHECK(line.find(u'"', close + 1) == std::u16string::npos);
    const std::u16string inside = line.substr(open + 1, close - open - 1);
    if (inside == u"%~f0") continue;  // the batch's own name
    // "%" only doubled, so that the interpreter reads each pair as one "%".
    std::u16string read;
    for (std::size_t i = 0; i < inside.size(); ++i) {
      read.push_back(inside[i]);
      if (inside[i] == u'%') {
        VKR_FUZZ_CHECK(i + 1 < inside.size() && inside[i + 1] == u'%');
        ++i;
      }
    }
    bool known = false;
    for (const std::u16string& path : expected) known = known || read == path;
    VKR_FUZZ_CHECK(known);
    ++quoted_paths;
  }
  // The program twice (deleted, then looked for), ping, then the folder or the own files.
  VKR_FUZZ_CHECK(quoted_paths == expected.size() + 1);
}

vkr::SharedFolders OneShared(int kind, const std::u16string& folder, const std::u16string& profile) {
  vkr::SharedFolders shared;
  shared.profile = profile;
  (kind == 0 ? shared.special : kind == 1 ? shared.programs : shared.user_data).push_back(folder);
  return shared;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  // The folder rule compares names through the system's upper-casing, here the fake's.
  static vkr::testing::FakeSystem* const system = new vkr::testing::FakeSystem;
  (void)system;
  using vkr::FolderRemoval;
  FuzzedDataProvider data(bytes, size);
  switch (data.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: {
      // A shared folder, or a folder above it, in any spelling on either side.
      const Path shared_path = ConsumePath(data, 0);
      const Path candidate =
          Prefix(shared_path, data.ConsumeIntegralInRange<std::size_t>(0, shared_path.components.size()));
      const int kind = data.ConsumeIntegralInRange<int>(0, 3);
      vkr::SharedFolders shared = OneShared(kind % 3, Spell(data, shared_path, true), vkr::fuzz::ConsumeText(data, 12));
      if (kind == 3) shared.profile = Spell(data, shared_path, true);
      shared.special.push_back(vkr::fuzz::ConsumeText(data, 12));
      VKR_FUZZ_CHECK(vkr::JudgeFolder(Spell(data, candidate, true), shared) == FolderRemoval::kOwnFiles);
      break;
    }
    case 1: {
      // A folder directly in the profile.
      Path profile = ConsumePath(data, 1);
      const std::u16string profile_text = Spell(data, profile, true);
      profile.components.push_back(ConsumeName(data));
      vkr::SharedFolders shared;
      shared.profile = profile_text;
      VKR_FUZZ_CHECK(vkr::JudgeFolder(Spell(data, profile, true), shared) == FolderRemoval::kOwnFiles);
      break;
    }
    case 2: {
      // A plain folder two steps below a special or a program folder, away from the profile, is
      // the launcher's: the normal install.
      const Path shared_path = ConsumePath(data, 0);
      Path profile = shared_path;
      profile.components.push_back(u"Users");
      const vkr::SharedFolders shared = OneShared(data.ConsumeIntegralInRange<int>(0, 1),
                                                  Spell(data, shared_path, false), Spell(data, profile, false));
      VKR_FUZZ_CHECK(vkr::JudgeFolder(Spell(data, Below(shared_path, data, 2, 2), false), shared) ==
                     FolderRemoval::kWhole);
      break;
    }
    case 3: {
      // Directly in a program folder, anywhere in a user-data folder: the own files, then the
      // folder when it is empty.
      const Path shared_path = ConsumePath(data, 0);
      const bool program = data.ConsumeBool();
      const Path candidate = Below(shared_path, data, 1, program ? 1 : 3);
      const vkr::SharedFolders shared = OneShared(program ? 1 : 2, Spell(data, shared_path, true), u"");
      VKR_FUZZ_CHECK(vkr::JudgeFolder(Spell(data, candidate, true), shared) == FolderRemoval::kOwnFilesThenEmptyFolder);
      break;
    }
    case 4: {
      // Another program registered in the folder or below it.
      const Path candidate = Below(ConsumePath(data, 0), data, 2, 2);
      vkr::SharedFolders shared;
      shared.other_programs = {Spell(data, Below(candidate, data, 0, 2), true)};
      VKR_FUZZ_CHECK(vkr::JudgeFolder(Spell(data, candidate, true), shared) == FolderRemoval::kOwnFilesThenEmptyFolder);
      break;
    }
    default: {
      // The batch over arbitrary program, folder and ping paths.
      const std::u16string folder = ConsumeBatchPath(data, 40);
      const std::u16string exe = folder + u"\\" + ConsumeBatchPath(data, 16);
      const std::u16string ping = ConsumeBatchPath(data, 24);
      const auto removal = static_cast<FolderRemoval>(data.ConsumeIntegralInRange<int>(0, 2));
      CheckBatch(vkr::BuildSelfDeleteBatch(exe, folder, removal, ping), exe, folder, removal, ping);
      break;
    }
  }
  return 0;
}
