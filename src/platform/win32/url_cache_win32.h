// Clearing the WinInet URL cache, which the hosted browser control shares with the system.
#pragma once

namespace vkr::win32 {

// Deletes every entry of the WinInet URL cache (normal, sticky, offline- and online-tracked,
// cookie and history entries; all groups). True when the enumeration ended with "no more items";
// *deleted counts the entries removed.
bool ClearUrlCache(int* deleted);

}  // namespace vkr::win32
