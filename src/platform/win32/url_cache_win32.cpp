#include "platform/win32/url_cache_win32.h"

#include <windows.h>
// The WinInet header follows windows.h.
#include <wininet.h>

#include <cstdint>
#include <vector>

#include "platform/win32/handles.h"

namespace vkr::win32 {
namespace {

// The URL cache entries ClearUrlCache removes: normal, sticky, offline- and online-tracked, cookie
// and history entries.
constexpr DWORD kCacheClearFilter = NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY | TRACK_OFFLINE_CACHE_ENTRY |
                                    TRACK_ONLINE_CACHE_ENTRY | COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY;

enum class CacheWalk { kEnded, kFailed, kNotStarted };

// Walks the URL cache with the given first/next calls, deleting each entry by its source URL
// (with `filter_types`, only entries of those types). kEnded when the walk ran to "no more items";
// kNotStarted when the first call failed with another error.
template <typename FindFirst, typename FindNext>
CacheWalk WalkAndDelete(FindFirst find_first, FindNext find_next, DWORD filter_types, int* deleted) {
  // Entries are variable-sized; the buffer grows when an entry does not fit.
  std::vector<std::uint64_t> buffer(4096 / sizeof(std::uint64_t));
  auto entry = [&] { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()); };
  auto capacity = [&] { return static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)); };
  DWORD size = capacity();
  UniqueUrlCacheFind find(find_first(entry(), &size));
  if (!find && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(size / sizeof(std::uint64_t) + 1);
    size = capacity();
    find.reset(find_first(entry(), &size));
  }
  if (!find) return ::GetLastError() == ERROR_NO_MORE_ITEMS ? CacheWalk::kEnded : CacheWalk::kNotStarted;
  for (;;) {
    const INTERNET_CACHE_ENTRY_INFOW* info = entry();
    if (info->lpszSourceUrlName && (filter_types == 0 || (info->CacheEntryType & filter_types) != 0) &&
        ::DeleteUrlCacheEntryW(info->lpszSourceUrlName)) {
      ++*deleted;
    }
    size = capacity();
    if (find_next(find.get(), entry(), &size)) continue;
    DWORD error = ::GetLastError();
    if (error == ERROR_INSUFFICIENT_BUFFER) {
      buffer.resize(size / sizeof(std::uint64_t) + 1);
      size = capacity();
      if (find_next(find.get(), entry(), &size)) continue;
      error = ::GetLastError();
    }
    // The end condition is "no more items"; any other error ends the walk too, reported.
    return error == ERROR_NO_MORE_ITEMS ? CacheWalk::kEnded : CacheWalk::kFailed;
  }
}

}  // namespace

bool ClearUrlCache(int* deleted) {
  *deleted = 0;
  CacheWalk walk = WalkAndDelete(
      [](INTERNET_CACHE_ENTRY_INFOW* info, DWORD* size) {
        return ::FindFirstUrlCacheEntryExW(nullptr, 0, kCacheClearFilter, 0, info, size, nullptr, nullptr, nullptr);
      },
      [](HANDLE find, INTERNET_CACHE_ENTRY_INFOW* info, DWORD* size) {
        return ::FindNextUrlCacheEntryExW(find, info, size, nullptr, nullptr, nullptr) != FALSE;
      },
      0, deleted);
  if (walk != CacheWalk::kNotStarted) return walk == CacheWalk::kEnded;
  // Systems without the filtered enumeration (Wine) get the plain one, filtered here by type.
  walk = WalkAndDelete(
      [](INTERNET_CACHE_ENTRY_INFOW* info, DWORD* size) { return ::FindFirstUrlCacheEntryW(nullptr, info, size); },
      [](HANDLE find, INTERNET_CACHE_ENTRY_INFOW* info, DWORD* size) {
        return ::FindNextUrlCacheEntryW(find, info, size) != FALSE;
      },
      kCacheClearFilter, deleted);
  return walk == CacheWalk::kEnded;
}

}  // namespace vkr::win32
