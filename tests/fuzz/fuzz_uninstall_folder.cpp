// The uninstall mode's folder rule and batch over arbitrary paths. A protected folder, or any
// folder above it, is never taken for the launcher's own, however it is spelt (letter case, "/",
// doubled or trailing separators, the "\\?\" forms, "." and ".." steps, trailing dots and
// blanks); nor is a folder directly in the profile. A plain folder below a protected one is. In
// the batch every path stands inside quotation marks, and nothing from a path ends a line,
// closes the quotation or expands as a variable.
#include <vector>

#include "fuzz_support.h"
#include "uninstall/un_install.h"

namespace {

struct Path {
  bool unc = false;
  std::u16string root;                     // "C:" or "\\server\share"
  std::vector<std::u16string> components;  // below the root
};

std::u16string ConsumeName(FuzzedDataProvider& data) {
  static const std::u16string kNames[] = {u"Users", u"player", u"Program Files", u"AppData", u"Local", u"Temp",
                                          u"Games", u"vkr",    u"Velqo",         u"玩家",    u"a.b",   u"x y"};
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

char16_t FlipCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - u'a' + u'A');
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c - u'A' + u'a');
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
  if (data.ConsumeIntegralInRange<int>(0, 3) == 0) {
    text = path.unc ? u"\\\\?\\UNC\\" + path.root.substr(2) : u"\\\\?\\" + path.root;
  } else {
    text = path.root;
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

// The batch's lines; each path argument is the rest of the line after its command, inside
// quotation marks, and reads back (with "%%" as "%") as one of `paths`.
void CheckBatch(const std::u16string& batch, const std::u16string& exe, const std::u16string& folder,
                bool whole_folder) {
  // Refused exactly when a path holds what no Windows path can: a quotation mark or a control
  // character.
  VKR_FUZZ_CHECK(batch.empty() == (HasUnquotable(exe) || HasUnquotable(folder)));
  if (batch.empty()) return;
  VKR_FUZZ_CHECK(batch.size() >= 2 && batch.compare(batch.size() - 2, 2, u"\r\n") == 0);
  std::vector<std::u16string> expected = {exe};
  if (whole_folder) {
    expected.push_back(folder);
  } else {
    for (const char16_t* own : {u"\\Skin\\loginBack.png", u"\\Skin", u"\\Upgrade\\IconAnimate_Update.exe", u"\\Upgrade",
                                u"\\Viziv_Ezadariz.exe"}) {
      expected.push_back(folder + own);
    }
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
  // The program twice (deleted, then looked for), then the folder or the own files.
  VKR_FUZZ_CHECK(quoted_paths == expected.size() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: {
      // A protected folder, or a folder above it, in any spelling on either side.
      const Path protected_path = ConsumePath(data, 0);
      const Path candidate =
          Prefix(protected_path, data.ConsumeIntegralInRange<std::size_t>(0, protected_path.components.size()));
      std::vector<std::u16string> protected_folders = {vkr::fuzz::ConsumeText(data, 12)};
      protected_folders.push_back(Spell(data, protected_path, true));
      const std::u16string folder = Spell(data, candidate, true);
      VKR_FUZZ_CHECK(!vkr::IsDedicatedFolder(folder, protected_folders, vkr::fuzz::ConsumeText(data, 12)));
      break;
    }
    case 1: {
      // A folder directly in the profile.
      Path profile = ConsumePath(data, 1);
      const std::u16string profile_text = Spell(data, profile, true);
      profile.components.push_back(ConsumeName(data));
      const std::u16string folder = Spell(data, profile, true);
      VKR_FUZZ_CHECK(!vkr::IsDedicatedFolder(folder, {}, profile_text));
      break;
    }
    case 2: {
      // A plain folder two steps below a protected one, away from the profile, is the launcher's.
      const Path protected_path = ConsumePath(data, 0);
      Path candidate = protected_path;
      candidate.components.push_back(u"Velqo");
      candidate.components.push_back(u"vkr");
      Path profile = protected_path;
      profile.components.push_back(u"Users");
      VKR_FUZZ_CHECK(vkr::IsDedicatedFolder(Spell(data, candidate, false), {Spell(data, protected_path, false)},
                                            Spell(data, profile, false)));
      break;
    }
    default: {
      // The batch over arbitrary program and folder paths.
      const std::u16string folder = ConsumeBatchPath(data, 40);
      const std::u16string exe = folder + u"\\" + ConsumeBatchPath(data, 16);
      const bool whole_folder = data.ConsumeBool();
      CheckBatch(vkr::BuildSelfDeleteBatch(exe, folder, whole_folder), exe, folder, whole_folder);
      break;
    }
  }
  return 0;
}
