// The DWebBrowserEvents2 arguments as the control passes them (last first, by reference) turned
// into the browser's callbacks, with Cancel written back.
#include "platform/win32/browser_events_win32.h"

#include <exdispid.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <vector>

#include "platform/win32/wide.h"

namespace vkr::win32 {
namespace {

// The arguments of one event call, given first to last.
class EventArguments {
 public:
  ~EventArguments() {
    for (VARIANT& value : values_) ::VariantClear(&value);
    for (VARIANT& value : arguments_) {
      if (value.vt == VT_BSTR) ::VariantClear(&value);
    }
  }
  // A text passed as a VARIANT by reference (URL, TargetFrameName, Frame).
  EventArguments& TextByReference(const wchar_t* text) {
    values_.emplace_back();
    VARIANT& inner = values_.back();
    ::VariantInit(&inner);
    inner.vt = VT_BSTR;
    inner.bstrVal = ::SysAllocString(text);
    pending_.push_back({Kind::kVariantReference, values_.size() - 1});
    return *this;
  }
  // A number passed as a VARIANT by reference (Flags, StatusCode).
  EventArguments& IntByReference(long number) {
    values_.emplace_back();
    VARIANT& inner = values_.back();
    ::VariantInit(&inner);
    inner.vt = VT_I4;
    inner.lVal = number;
    pending_.push_back({Kind::kVariantReference, values_.size() - 1});
    return *this;
  }
  EventArguments& Text(const wchar_t* text) {
    pending_.push_back({Kind::kBstr, 0, text});
    return *this;
  }
  EventArguments& Int(long number) {
    pending_.push_back({Kind::kInt, 0, nullptr, number});
    return *this;
  }
  EventArguments& Dispatch() {
    pending_.push_back({Kind::kDispatch, 0});
    return *this;
  }
  EventArguments& Cancel(bool initial) {
    cancel_ = initial ? VARIANT_TRUE : VARIANT_FALSE;
    pending_.push_back({Kind::kCancel, 0});
    return *this;
  }

  DISPPARAMS* Params() {
    arguments_.assign(pending_.size(), VARIANT{});
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      VARIANT& argument = arguments_[pending_.size() - 1 - i];  // the last argument comes first
      ::VariantInit(&argument);
      const Pending& p = pending_[i];
      switch (p.kind) {
        case Kind::kVariantReference:
          argument.vt = VT_BYREF | VT_VARIANT;
          argument.pvarVal = &values_[p.index];
          break;
        case Kind::kBstr:
          argument.vt = VT_BSTR;
          argument.bstrVal = ::SysAllocString(p.text);
          break;
        case Kind::kInt:
          argument.vt = VT_I4;
          argument.lVal = p.number;
          break;
        case Kind::kDispatch:
          argument.vt = VT_DISPATCH;
          argument.pdispVal = nullptr;
          break;
        case Kind::kCancel:
          argument.vt = VT_BYREF | VT_BOOL;
          argument.pboolVal = &cancel_;
          break;
      }
    }
    params_.rgvarg = arguments_.data();
    params_.cArgs = static_cast<UINT>(arguments_.size());
    params_.rgdispidNamedArgs = nullptr;
    params_.cNamedArgs = 0;
    return &params_;
  }
  bool CancelValue() const { return cancel_ != VARIANT_FALSE; }
  VARIANT_BOOL RawCancel() const { return cancel_; }

 private:
  enum class Kind { kVariantReference, kBstr, kInt, kDispatch, kCancel };
  struct Pending {
    Kind kind;
    std::size_t index = 0;
    const wchar_t* text = nullptr;
    long number = 0;
  };
  std::vector<Pending> pending_;
  std::vector<VARIANT> values_;
  std::vector<VARIANT> arguments_;
  VARIANT_BOOL cancel_ = VARIANT_FALSE;
  DISPPARAMS params_{};
};

TEST(BrowserEventsWin32Test, BeforeNavigate2GivesTheUrlAndWritesCancelBack) {
  BrowserEvents events;
  std::vector<std::u16string> urls;
  std::vector<bool> incoming;
  events.before_navigate2 = [&](const std::u16string& url, bool& cancel) {
    urls.push_back(url);
    incoming.push_back(cancel);
    cancel = url == u"http://pay.velqo.com/";
  };
  for (bool initial : {false, true}) {
    for (const wchar_t* url : {L"http://pay.velqo.com/", L"http://login.velqo.com/?a=1"}) {
      EventArguments args;
      args.Dispatch()
          .TextByReference(url)
          .IntByReference(0)
          .TextByReference(L"")
          .IntByReference(0)
          .TextByReference(L"")
          .Cancel(initial);
      ASSERT_EQ(DispatchBrowserEvent(events, DISPID_BEFORENAVIGATE2, args.Params()), S_OK);
      const bool expected = std::wstring(url) == L"http://pay.velqo.com/";
      EXPECT_EQ(args.RawCancel(), expected ? VARIANT_TRUE : VARIANT_FALSE);
    }
  }
  EXPECT_EQ(urls, (std::vector<std::u16string>{u"http://pay.velqo.com/", u"http://login.velqo.com/?a=1",
                                               u"http://pay.velqo.com/", u"http://login.velqo.com/?a=1"}));
  EXPECT_EQ(incoming, (std::vector<bool>{false, false, true, true}));
}

TEST(BrowserEventsWin32Test, NavigateErrorGivesUrlFrameAndStatusAndLeavesCancelAsSet) {
  BrowserEvents events;
  std::u16string seen_url, seen_frame;
  std::int32_t seen_status = 0;
  events.navigate_error = [&](const std::u16string& url, const std::u16string& frame, std::int32_t status, bool&) {
    seen_url = url;
    seen_frame = frame;
    seen_status = status;
  };
  EventArguments args;
  args.Dispatch()
      .TextByReference(L"http://login.velqo.com/")
      .TextByReference(L"main")
      .IntByReference(static_cast<long>(0x800C0005))
      .Cancel(false);
  ASSERT_EQ(DispatchBrowserEvent(events, DISPID_NAVIGATEERROR, args.Params()), S_OK);
  EXPECT_EQ(seen_url, u"http://login.velqo.com/");
  EXPECT_EQ(seen_frame, u"main");
  EXPECT_EQ(seen_status, static_cast<std::int32_t>(0x800C0005));
  EXPECT_FALSE(args.CancelValue());
}

TEST(BrowserEventsWin32Test, NewWindow3ReadsTheUrlAndContextAndWritesCancelBack) {
  BrowserEvents events;
  std::u16string seen_context;
  std::uint32_t seen_flags = 0;
  events.new_window3 = [&](const std::u16string& url, const std::u16string& context, std::uint32_t flags,
                           bool& cancel) {
    seen_context = context;
    seen_flags = flags;
    cancel = url.find(u"client_command") != std::u16string::npos;
  };
  EventArguments blocked;
  blocked.Dispatch().Cancel(false).Int(6).Text(L"http://game.velqo.com/").Text(L"http://x/client_command?a");
  ASSERT_EQ(DispatchBrowserEvent(events, DISPID_NEWWINDOW3, blocked.Params()), S_OK);
  EXPECT_TRUE(blocked.CancelValue());
  EXPECT_EQ(seen_context, u"http://game.velqo.com/");
  EXPECT_EQ(seen_flags, 6u);
  EventArguments allowed;
  allowed.Dispatch().Cancel(true).Int(0).Text(L"").Text(L"http://x/popup");
  ASSERT_EQ(DispatchBrowserEvent(events, DISPID_NEWWINDOW3, allowed.Params()), S_OK);
  EXPECT_FALSE(allowed.CancelValue());
}

TEST(BrowserEventsWin32Test, DocumentCompleteAndTitleChangeGiveTheirTexts) {
  BrowserEvents events;
  std::vector<std::u16string> seen;
  events.document_complete = [&](const std::u16string& url) { seen.push_back(u"complete " + url); };
  events.title_change = [&](const std::u16string& text) { seen.push_back(u"title " + text); };
  EventArguments complete;
  complete.Dispatch().TextByReference(L"http://s1.morvane.velqo.com/");
  EventArguments title;
  title.Text(L"\x9b54\x6587");
  EXPECT_EQ(DispatchBrowserEvent(events, DISPID_DOCUMENTCOMPLETE, complete.Params()), S_OK);
  EXPECT_EQ(DispatchBrowserEvent(events, DISPID_TITLECHANGE, title.Params()), S_OK);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"complete http://s1.morvane.velqo.com/", u"title \u9b54\u6587"}));
}

TEST(BrowserEventsWin32Test, MissingHandlersArgumentsAndThrowingHandlersAreHarmless) {
  BrowserEvents events;
  EventArguments args;
  args.Dispatch().TextByReference(L"http://a/").Cancel(false);
  EXPECT_EQ(DispatchBrowserEvent(events, DISPID_BEFORENAVIGATE2, args.Params()), S_OK);
  EXPECT_EQ(DispatchBrowserEvent(events, 999, args.Params()), DISP_E_MEMBERNOTFOUND);

  // Too few arguments: each is read at its own position from the first, and Cancel, missing, is
  // not written anywhere.
  std::u16string url = u"unset";
  events.before_navigate2 = [&](const std::u16string& u, bool& cancel) {
    url = u;
    cancel = true;
  };
  EXPECT_EQ(DispatchBrowserEvent(events, DISPID_BEFORENAVIGATE2, args.Params()), S_OK);
  EXPECT_EQ(url, u"http://a/");
  EXPECT_FALSE(args.CancelValue());
  EXPECT_EQ(DispatchBrowserEvent(events, DISPID_BEFORENAVIGATE2, nullptr), S_OK);
  EXPECT_EQ(url, u"");

  events.title_change = [](const std::u16string&) { throw std::runtime_error("handler failed"); };
  EventArguments title;
  title.Text(L"x");
  EXPECT_EQ(DispatchBrowserEvent(events, DISPID_TITLECHANGE, title.Params()), S_OK);
}

}  // namespace
}  // namespace vkr::win32
