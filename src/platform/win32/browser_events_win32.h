// The events of the hosted browser control: the DWebBrowserEvents2 sink, and the conversion of
// each event's arguments into the matching callback of BrowserEvents.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "platform/browser.h"
#include "platform/win32/com_values.h"

namespace vkr::win32 {

// Converts one DWebBrowserEvents2 call (its arguments come last first, some by reference) into the
// matching callback of `events` and writes Cancel back. DISP_E_MEMBERNOTFOUND for other events; no
// exception leaves it.
HRESULT DispatchBrowserEvent(const BrowserEvents& events, DISPID id, DISPPARAMS* params);

// The DWebBrowserEvents2 sink of one browser. It forwards to the browser's events while attached;
// no exception leaves Invoke.
class BrowserEventSink : public IDispatch, public RefCounted<BrowserEventSink> {
 public:
  explicit BrowserEventSink(Browser* owner) : owner_(owner) {}
  virtual ~BrowserEventSink() = default;
  // The browser is going: later events are dropped.
  void Detach() { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override;

 private:
  Browser* owner_;
};

}  // namespace vkr::win32
