// Owns a key opened through a Registry and closes it on every path.
#pragma once

#include "platform/registry.h"
#include "platform/system.h"

namespace vkr {

class ScopedRegKey {
 public:
  // A key of the installed system's registry.
  ScopedRegKey() : ScopedRegKey(*Sys().registry) {}
  // A key of `registry`, which must outlive it.
  explicit ScopedRegKey(Registry& registry) : registry_(registry) {}
  ~ScopedRegKey() { registry_.CloseKey(key_); }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;

  // For the out-parameter of OpenKey or CreateKey; the key must not hold one yet.
  RegKey* out() { return &key_; }
  RegKey get() const { return key_; }
  bool valid() const { return key_ != kNoRegKey; }

 private:
  Registry& registry_;
  RegKey key_ = kNoRegKey;
};

}  // namespace vkr
