// The system functions of OLE, OLE automation, the common controls and the RPC runtime, bound on
// their first call instead of when the program is loaded.
//
// Each function the adapters call through its import slot (the headers declare them imported,
// so a call reads the address from "__imp__<name>@<bytes>"). This file defines those slots
// itself, each holding at first a function of the same signature that loads the DLL, looks the
// function up, stores its address in the slot and calls it. The linker then takes no import of
// these DLLs, so a run mode that shows no window (the setup report, the uninstall without its
// questions) never loads them, and a GUI start loads them when it starts OLE. A function of these
// DLLs that is not listed here is imported as usual: the program still works, and the list of
// imports (bench/run prints it) shows the DLL again.
//
// The slots are plain pointers: two threads that bind the same function at once both store the
// same address. A DLL that cannot be loaded makes the call fail with the function's own failure
// value.

#include <type_traits>

#include "platform/win32/windows_headers.h"

namespace vkr::win32 {
namespace {

// The function's address as a generic function pointer, which may be cast to any signature.
using AnyFunction = void (*)();

AnyFunction Bind(const wchar_t* dll, const char* name) {
  // System DLLs, found as their imports would be (comctl32 through the manifest's activation
  // context). The reference is kept for the life of the process, like an import's.
  const HMODULE module = ::LoadLibraryW(dll);
  return module ? reinterpret_cast<AnyFunction>(::GetProcAddress(module, name)) : nullptr;
}

}  // namespace
}  // namespace vkr::win32

// One import slot and its first-call binder. `bytes` is the size of the arguments on the stack,
// part of the slot's name; `params` and `args` spell the parameters twice (declared and passed).
#define VKR_LAZY_IMPORT(dll, ret, name, bytes, failure, params, args)                           \
  static_assert(std::is_same_v<decltype(&::name), ret(WINAPI*) params>, "signature of " #name); \
  extern "C" ret(WINAPI* vkr_slot_##name) params __asm__("__imp__" #name "@" #bytes);           \
  namespace {                                                                                   \
  ret WINAPI Bind##name params {                                                                \
    const auto bound = reinterpret_cast<ret(WINAPI*) params>(vkr::win32::Bind(dll, #name));     \
    if (!bound) return failure;                                                                 \
    vkr_slot_##name = bound;                                                                    \
    return bound args;                                                                          \
  }                                                                                             \
  }                                                                                             \
  ret(WINAPI* vkr_slot_##name) params = &Bind##name;

// clang-format off
VKR_LAZY_IMPORT(L"ole32.dll", HRESULT, OleInitialize, 4, E_FAIL, (LPVOID reserved), (reserved))
VKR_LAZY_IMPORT(L"ole32.dll", void, OleUninitialize, 0, , (), ())
VKR_LAZY_IMPORT(L"ole32.dll", HRESULT, CoInitializeEx, 8, E_FAIL, (LPVOID reserved, DWORD model), (reserved, model))
VKR_LAZY_IMPORT(L"ole32.dll", void, CoUninitialize, 0, , (), ())
VKR_LAZY_IMPORT(L"ole32.dll", HRESULT, CoCreateInstance, 20, E_FAIL,
                (REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object),
                (clsid, outer, context, iid, object))
VKR_LAZY_IMPORT(L"ole32.dll", void, CoTaskMemFree, 4, , (LPVOID memory), (memory))
VKR_LAZY_IMPORT(L"oleaut32.dll", BSTR, SysAllocStringLen, 8, nullptr, (const OLECHAR* text, UINT length),
                (text, length))
VKR_LAZY_IMPORT(L"oleaut32.dll", void, SysFreeString, 4, , (BSTR text), (text))
VKR_LAZY_IMPORT(L"oleaut32.dll", UINT, SysStringLen, 4, 0, (BSTR text), (text))
VKR_LAZY_IMPORT(L"oleaut32.dll", void, VariantInit, 4, , (VARIANTARG* value), (value))
VKR_LAZY_IMPORT(L"oleaut32.dll", HRESULT, VariantClear, 4, E_FAIL, (VARIANTARG* value), (value))
VKR_LAZY_IMPORT(L"oleaut32.dll", HRESULT, VariantCopyInd, 8, E_FAIL, (VARIANT* target, VARIANTARG* source),
                (target, source))
VKR_LAZY_IMPORT(L"oleaut32.dll", HRESULT, VariantChangeType, 16, E_FAIL,
                (VARIANTARG* target, VARIANTARG* source, USHORT flags, VARTYPE type), (target, source, flags, type))
VKR_LAZY_IMPORT(L"comctl32.dll", BOOL, InitCommonControlsEx, 4, FALSE, (const INITCOMMONCONTROLSEX* classes),
                (classes))
VKR_LAZY_IMPORT(L"rpcrt4.dll", RPC_STATUS, UuidCreate, 4, RPC_S_OUT_OF_RESOURCES, (UUID* uuid), (uuid))
// clang-format on
