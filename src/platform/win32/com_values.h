// Owners of COM values (BSTR, VARIANT) and the reference count of the COM objects the adapters
// implement.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "platform/win32/wide.h"

namespace vkr::win32 {

class UniqueBstr {
 public:
  explicit UniqueBstr(const std::u16string& text)
      : value_(::SysAllocStringLen(Wide(text), static_cast<UINT>(text.size()))) {}
  UniqueBstr() = default;
  ~UniqueBstr() { ::SysFreeString(value_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  BSTR get() const { return value_; }
  BSTR* put() {
    ::SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  std::u16string Text() const { return value_ ? FromWide(value_, ::SysStringLen(value_)) : std::u16string(); }

 private:
  BSTR value_ = nullptr;
};

class UniqueVariant {
 public:
  UniqueVariant() { ::VariantInit(&value_); }
  ~UniqueVariant() { ::VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

// A COM object with a reference count; the last Release deletes it.
template <typename Derived>
class RefCounted {
 public:
  ULONG AddRefImpl() { return ++references_; }
  ULONG ReleaseImpl() {
    ULONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace vkr::win32
