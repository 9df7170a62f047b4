// The pieces of the Files concern that the self-deleting batch needs: text in the OEM code page
// and the short and long forms of a path. The Files adapter forwards its members to these.
#pragma once

#include <string>

namespace vkr::win32 {

// The text in the OEM code page (GetOEMCP), which the command interpreter reads batch files with;
// false when a character has no exact form there (*bytes then holds the lossy conversion).
bool EncodeOemCodePage(const std::u16string& text, std::string* bytes);
// GetShortPathNameW of an existing path; empty on failure.
std::u16string ShortPathName(const std::u16string& path);
// GetLongPathNameW of an existing path; empty on failure.
std::u16string LongPathName(const std::u16string& path);

}  // namespace vkr::win32
