// Owns a key opened through the Registry interface and closes it on every path.
#pragma once

#include "platform/registry.h"
#include "platform/system.h"

namespace vkr {

class ScopedRegKey {
 public:
  ScopedRegKey() = default;
  ~ScopedRegKey() { Sys().registry->CloseKey(key_); }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  RegKey* out() { return &key_; }
  RegKey get() const { return key_; }

 private:
  RegKey key_ = kNoRegKey;
};

}  // namespace vkr
