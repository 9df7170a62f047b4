// Move-only owners of Windows handles. Each handle kind has its own traits type that knows its
// invalid value and how it is released, so one kind can never be closed as another.
#pragma once

#include <utility>

#include "platform/win32/windows_headers.h"

namespace vkr::win32 {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type value) : value_(value) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Type get() const { return value_; }
  // For out-parameters: releases the current value and gives its address.
  Type* put() {
    reset();
    return &value_;
  }
  Type release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(Type value = Traits::Invalid()) {
    if (value_ != Traits::Invalid()) Traits::Close(value_);
    value_ = value;
  }
  bool valid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }

 private:
  Type value_ = Traits::Invalid();
};

// A kernel handle whose invalid value is null (processes, threads, events, tokens, mutexes).
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
// A handle whose invalid value is INVALID_HANDLE_VALUE (files, snapshots, devices).
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};
struct MenuTraits {
  using Type = HMENU;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyMenu(h); }
};
struct LocalMemoryTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::LocalFree(h); }
};
// Memory the shell or COM hands out for the caller to free (CoTaskMemAlloc).
struct CoTaskMemoryTraits {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CoTaskMemFree(h); }
};

// A WinINet session, connection or request handle.
struct InternetHandleTraits {
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::InternetCloseHandle(h); }
};
// A SID from AllocateAndInitializeSid.
struct SidTraits {
  using Type = PSID;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::FreeSid(h); }
};
// A memory device context from CreateCompatibleDC.
struct MemoryDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DeleteDC(h); }
};
// A window this code created and destroys.
struct WindowTraits {
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyWindow(h); }
};
// An enumeration of the WinINet URL cache.
struct UrlCacheFindTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::FindCloseUrlCache(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniqueCoTaskMemory = UniqueHandle<CoTaskMemoryTraits>;
using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;
using UniqueSid = UniqueHandle<SidTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueUrlCacheFind = UniqueHandle<UrlCacheFindTraits>;

// Selects a GDI object into a device context for the scope, and the object it replaced back at
// the end (before either is deleted: declare it after the owners of both).
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelection() {
    if (previous_) ::SelectObject(dc_, previous_);
  }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;
  bool selected() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// COM in a single-threaded apartment for the calling thread, for the lifetime of the object;
// balanced only when this call initialised it. A thread that already has COM (in any apartment)
// keeps it as it is.
class ScopedComInitialize {
 public:
  ScopedComInitialize() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ScopedComInitialize() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ScopedComInitialize(const ScopedComInitialize&) = delete;
  ScopedComInitialize& operator=(const ScopedComInitialize&) = delete;
  // COM can be used on this thread: initialised here, before, or in another apartment.
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

// Owns one reference of a COM interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
    if (ptr_) ptr_->AddRef();
  }
  ComPtr& operator=(const ComPtr& other) {
    if (this != &other) {
      if (other.ptr_) other.ptr_->AddRef();
      reset();
      ptr_ = other.ptr_;
    }
    return *this;
  }
  ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      ptr_ = std::exchange(other.ptr_, nullptr);
    }
    return *this;
  }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  T** put() {
    reset();
    return &ptr_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (ptr_) std::exchange(ptr_, nullptr)->Release();
  }
  explicit operator bool() const { return ptr_ != nullptr; }

  template <typename U>
  HRESULT As(const IID& iid, ComPtr<U>* out) const {
    if (!ptr_) return E_POINTER;
    return ptr_->QueryInterface(iid, out->put_void());
  }

 private:
  T* ptr_ = nullptr;
};

}  // namespace vkr::win32
