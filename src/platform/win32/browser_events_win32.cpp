#include "platform/win32/browser_events_win32.h"

#include <windows.h>
// The COM headers follow windows.h.
#include <exdisp.h>
#include <exdispid.h>

namespace vkr::win32 {
namespace {

// The control passes the event arguments last first, some by reference.

VARIANTARG* Argument(const DISPPARAMS* params, UINT position) {
  if (!params || !params->rgvarg || position >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - position];
}

std::u16string ArgumentText(const DISPPARAMS* params, UINT position) {
  VARIANTARG* argument = Argument(params, position);
  if (!argument) return {};
  UniqueVariant copy;
  if (FAILED(::VariantCopyInd(copy.get(), argument))) return {};
  if (copy.get()->vt != VT_BSTR && FAILED(::VariantChangeType(copy.get(), copy.get(), 0, VT_BSTR))) return {};
  BSTR text = copy.get()->bstrVal;
  return text ? FromWide(text, ::SysStringLen(text)) : std::u16string();
}

std::int32_t ArgumentInt(const DISPPARAMS* params, UINT position) {
  VARIANTARG* argument = Argument(params, position);
  if (!argument) return 0;
  UniqueVariant copy;
  if (FAILED(::VariantCopyInd(copy.get(), argument))) return 0;
  if (copy.get()->vt != VT_I4 && FAILED(::VariantChangeType(copy.get(), copy.get(), 0, VT_I4))) {
    // Flags may exceed the signed range; take them unsigned.
    if (FAILED(::VariantChangeType(copy.get(), copy.get(), 0, VT_UI4))) return 0;
    return static_cast<std::int32_t>(copy.get()->ulVal);
  }
  return copy.get()->lVal;
}

// The Cancel argument: a VARIANT_BOOL by reference, directly or inside a referenced VARIANT.
VARIANT_BOOL* CancelPointer(const DISPPARAMS* params, UINT position) {
  VARIANTARG* argument = Argument(params, position);
  if (!argument) return nullptr;
  if (argument->vt == (VT_BYREF | VT_BOOL)) return argument->pboolVal;
  if (argument->vt == (VT_BYREF | VT_VARIANT) && argument->pvarVal && argument->pvarVal->vt == VT_BOOL) {
    return &argument->pvarVal->boolVal;
  }
  return nullptr;
}

// Calls `call` with the Cancel argument at `position` read in, and writes back what it left.
template <typename Call>
void WithCancel(const DISPPARAMS* params, UINT position, const Call& call) {
  VARIANT_BOOL* argument = CancelPointer(params, position);
  bool cancel = argument && *argument != VARIANT_FALSE;
  call(cancel);
  if (argument) *argument = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace

HRESULT DispatchBrowserEvent(const BrowserEvents& events, DISPID id, DISPPARAMS* params) {
  // The handler may free the browser and its events: each handler is copied before it runs, and
  // nothing of the browser is touched after.
  try {
    switch (id) {
      case DISPID_BEFORENAVIGATE2: {
        // pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel
        auto handler = events.before_navigate2;
        if (handler) WithCancel(params, 6, [&](bool& cancel) { handler(ArgumentText(params, 1), cancel); });
        return S_OK;
      }
      case DISPID_DOCUMENTCOMPLETE: {
        // pDisp, URL
        auto handler = events.document_complete;
        if (handler) handler(ArgumentText(params, 1));
        return S_OK;
      }
      case DISPID_NAVIGATEERROR: {
        // pDisp, URL, Frame, StatusCode, Cancel
        auto handler = events.navigate_error;
        if (handler) {
          WithCancel(params, 4, [&](bool& cancel) {
            handler(ArgumentText(params, 1), ArgumentText(params, 2), ArgumentInt(params, 3), cancel);
          });
        }
        return S_OK;
      }
      case DISPID_NEWWINDOW3: {
        // ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl
        auto handler = events.new_window3;
        if (handler) {
          WithCancel(params, 1, [&](bool& cancel) {
            handler(ArgumentText(params, 4), ArgumentText(params, 3),
                    static_cast<std::uint32_t>(ArgumentInt(params, 2)), cancel);
          });
        }
        return S_OK;
      }
      case DISPID_TITLECHANGE: {
        // Text
        auto handler = events.title_change;
        if (handler) handler(ArgumentText(params, 0));
        return S_OK;
      }
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  } catch (...) {
    return S_OK;
  }
}

HRESULT STDMETHODCALLTYPE BrowserEventSink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID_DWebBrowserEvents2)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE BrowserEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                                   EXCEPINFO*, UINT*) {
  try {
    if (!owner_) return S_OK;
    return DispatchBrowserEvent(owner_->events, id, params);
  } catch (...) {
    return S_OK;
  }
}

}  // namespace vkr::win32
