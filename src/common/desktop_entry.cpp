#include "common/desktop_entry.h"

#include <cstddef>

#include "common/command_line.h"
#include "common/public_config.h"
#include "common/text.h"
#include "platform/system.h"

namespace vkr {
namespace {

constexpr std::size_t kMaxEntryBytes = 64 * 1024;

bool IsReserved(char16_t c) {
  static const char16_t kReserved[] = u" \t\n\"'\\><~|&;$*?#()`";
  for (const char16_t* r = kReserved; *r; ++r) {
    if (*r == c) return true;
  }
  return false;
}

std::string TrimBlanks(const std::string& text) {
  std::size_t start = 0;
  std::size_t end = text.size();
  while (start < end && (text[start] == ' ' || text[start] == '\t')) ++start;
  while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
  return text.substr(start, end - start);
}

}  // namespace

std::u16string QuoteExecWord(const std::u16string& word) {
  if (word.empty()) return std::u16string();
  bool reserved = false;
  for (const char16_t c : word) {
    if (c < 0x20 || c == 0x7F || c == 0xFFFD) return std::u16string();
    reserved = reserved || IsReserved(c);
  }
  std::u16string quoted;
  if (reserved) quoted += u'"';
  for (const char16_t c : word) {
    if (reserved && (c == u'"' || c == u'`' || c == u'$' || c == u'\\')) quoted += u'\\';
    quoted += c;
    if (c == u'%') quoted += u'%';
  }
  if (reserved) quoted += u'"';
  // The value's own escapes are undone before the quoting: every backslash is written twice.
  std::u16string escaped;
  for (const char16_t c : quoted) {
    escaped += c;
    if (c == u'\\') escaped += u'\\';
  }
  return escaped;
}

std::string BuildAutostartEntry(const std::u16string& program) {
  if (program.find(u'=') != std::u16string::npos) return std::string();
  const std::u16string word = QuoteExecWord(program);
  if (word.empty()) return std::string();
  std::u16string text;
  text += u"[Desktop Entry]\n";
  text += u"Type=Application\n";
  text += u"Version=1.0\n";
  text += u"Name=" + std::u16string(kApplicationTitle) + u"\n";
  text += u"Name[zh_CN]=墨梵\n";
  text += u"Comment=Starts the " + std::u16string(kApplicationTitle) + u" launcher when you log in\n";
  text += u"Exec=" + word + u" " + kAutoRunSwitch + u"\n";
  text += u"Icon=vkr\n";
  text += u"Terminal=false\n";
  text += u"X-GNOME-Autostart-enabled=true\n";
  return ToUtf8(text);
}

bool IsAutostartEntryEnabled(const std::string& text) {
  bool in_entry_group = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = TrimBlanks(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      in_entry_group = line == "[Desktop Entry]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!in_entry_group || equals == std::string::npos) continue;
    const std::string key = TrimBlanks(line.substr(0, equals));
    const std::string value = TrimBlanks(line.substr(equals + 1));
    if (key == "Hidden" && value == "true") return false;
    if (key == "X-GNOME-Autostart-enabled" && value == "false") return false;
  }
  return true;
}

bool HasAutostartEntry() {
  const std::u16string path = Sys().desktop->AutostartEntryPath();
  std::string text;
  return !path.empty() && Sys().files->ReadFile(path, &text, kMaxEntryBytes) && IsAutostartEntryEnabled(text);
}

void AddAutostartEntry() {
  Files& files = *Sys().files;
  const std::u16string path = Sys().desktop->AutostartEntryPath();
  if (path.empty() || HasAutostartEntry()) return;
  const std::string text = BuildAutostartEntry(files.ModulePath());
  if (text.empty() || !files.CreateDirectories(ExtractFilePath(path))) return;
  const std::u16string side = path + u".new";
  if (!files.WriteFile(side, text) || !files.ReplaceFile(side, path)) files.DeleteFile(side);
}

void RemoveAutostartEntry() {
  const std::u16string path = Sys().desktop->AutostartEntryPath();
  if (!path.empty() && Sys().files->FileExists(path)) Sys().files->DeleteFile(path);
}

}  // namespace vkr
