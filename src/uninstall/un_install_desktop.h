// The uninstall mode where a package manager owns the program's files (the Linux edition): after
// the same two questions as on Windows, ends the other copies that use this user's data folder and
// removes what the launcher wrote for this user: the autostart entry, lander.ini, the pages' data
// and cache, then each of those folders' parents that the launcher made (the data folder, the
// vendor folder above it) once they have become empty. The program's files stay: the package
// manager removes them.
#pragma once

#include <string>

namespace vkr {

// Runs the whole mode; true when the user confirmed and the steps ran, false when the user
// cancelled (nothing has been changed then).
bool RunDesktopUninstall();

// Deletes the folder ("/" separators) with everything in it; a link is removed as a link and
// never followed.
void DeleteDesktopTree(const std::u16string& folder);
// Removes the folder when it holds nothing but "." and "..".
void RemoveFolderIfEmpty(const std::u16string& folder);

}  // namespace vkr
