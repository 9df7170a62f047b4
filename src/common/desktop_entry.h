// The autostart entry of the Linux desktops: a desktop entry file in the user's autostart folder
// that starts the launcher with "/autorun" when the session starts. The Run-key rule of Windows
// has its counterpart here; AddAutoRun, HasAutoRun and RemoveAutoRun choose between them.
#pragma once

#include <string>

namespace vkr {

// One word of an entry's Exec line: as it is when it holds no reserved character, otherwise in
// quotation marks with '"', '`', '$' and '\' escaped; '%' doubled (it starts a field code); then
// the value's own escape of '\'. Empty for a word no Exec line can hold: an empty one, one with a
// control character, or one that was not valid text (U+FFFD).
std::u16string QuoteExecWord(const std::u16string& word);
// The entry (UTF-8, lines ending in LF) that starts `program` with "/autorun"; empty when the
// program's path cannot be written in an Exec line (see QuoteExecWord; nor may it hold "=").
std::string BuildAutostartEntry(const std::u16string& program);
// False when the entry's "Desktop Entry" group hides it (Hidden=true) or switches it off
// (X-GNOME-Autostart-enabled=false), as a session's settings do for a user's choice; true
// otherwise.
bool IsAutostartEntryEnabled(const std::string& text);

// Through Sys().desktop and Sys().files. The entry is the launcher's when it exists and is
// enabled; adding writes it (through a side file, so that it is never half written) unless such
// an entry exists, replacing a disabled one; removing deletes the file.
bool HasAutostartEntry();
void AddAutostartEntry();
void RemoveAutostartEntry();

}  // namespace vkr
