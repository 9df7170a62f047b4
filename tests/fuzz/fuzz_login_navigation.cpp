// The login window's navigation rules over arbitrary addresses and arbitrary login pages: an
// address holding the enter-game marker is cancelled and opens one game window, the exact
// recharge address is cancelled and goes to Internet Explorer, every other address navigates;
// the user name is read from the page on every navigation that does not enter the game; new
// windows are suppressed exactly for the page's client commands. Nothing else is opened or shown.
#include <vector>

#include "common/browser_settings.h"
#include "common/public_config.h"
#include "fakes/fake_browser.h"
#include "fakes/fake_graphics.h"
#include "fakes/fake_system.h"
#include "fuzz_support.h"
#include "game/form_main.h"
#include "login/form_login.h"

namespace {

using vkr::testing::FakeElement;

template <std::size_t N>
std::u16string PieceOrText(FuzzedDataProvider& data, const std::u16string (&pieces)[N]) {
  if (data.ConsumeIntegralInRange<int>(0, 3) != 0) return pieces[data.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
  return vkr::fuzz::ConsumeText(data, 10);
}

std::vector<FakeElement> ConsumeDocument(FuzzedDataProvider& data) {
  static const std::u16string kTypes[] = {u"text", u"TEXT", u"tExT", u"password", u"hidden", u"", u"text "};
  static const std::u16string kNames[] = {u"username", u"UserName", u"user", u"username ", u""};
  static const std::u16string kValues[] = {u"", u"alice", u"玩家", u"a b&c"};
  std::vector<FakeElement> elements(data.ConsumeIntegralInRange<std::size_t>(0, 6));
  for (FakeElement& element : elements) {
    element.is_input = data.ConsumeIntegralInRange<int>(0, 5) != 0;
    element.type = PieceOrText(data, kTypes);
    element.name = PieceOrText(data, kNames);
    element.value = PieceOrText(data, kValues);
    // Now and then one accessor of the live document fails.
    switch (data.ConsumeIntegralInRange<int>(0, 15)) {
      case 1:
        element.fail_type = true;
        break;
      case 2:
        element.fail_name = true;
        break;
      case 3:
        element.fail_value = true;
        break;
      case 4:
        element.fail_fetch = true;
        break;
      default:
        break;
    }
  }
  return elements;
}

char16_t LowerAsciiUnit(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool IsTextType(const std::u16string& type) {
  static const std::u16string kText = u"text";
  if (type.size() != kText.size()) return false;
  for (std::size_t i = 0; i < type.size(); ++i) {
    if (LowerAsciiUnit(type[i]) != kText[i]) return false;
  }
  return true;
}

// The user name a page yields: the value of the first text input named exactly "username" that
// has one; a failing accessor, or a page without a document, yields none.
std::u16string ExpectedUserName(bool has_document, const std::vector<FakeElement>& elements) {
  if (!has_document) return u"";
  for (const FakeElement& e : elements) {
    if (e.fail_fetch) return u"";
    if (!e.is_input) continue;
    if (e.fail_type) return u"";
    if (!IsTextType(e.type)) continue;
    if (e.fail_name) return u"";
    if (e.name != u"username") continue;
    if (e.fail_value) return u"";
    if (!e.value.empty()) return e.value;
  }
  return u"";
}

std::u16string ConsumeAddress(FuzzedDataProvider& data) {
  switch (data.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
      return vkr::PayUrl;
    case 1:
      return vkr::PayUrl + vkr::fuzz::ConsumeUrlishUpTo(data, 8);
    case 2: {
      const std::u16string before = vkr::fuzz::ConsumeUrlishUpTo(data, 32);
      return before + vkr::EnterGameMarker + vkr::fuzz::ConsumeUrlishUpTo(data, 64);
    }
    default:
      return vkr::fuzz::ConsumeUrlish(data, 256);
  }
}

bool Holds(const std::u16string& text, const std::u16string& what) { return text.find(what) != std::u16string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const bool has_document = data.ConsumeIntegralInRange<int>(0, 7) != 0;
  const std::vector<FakeElement> elements = ConsumeDocument(data);
  const bool incoming_new_window_cancel = data.ConsumeBool();
  const std::u16string url = ConsumeAddress(data);

  vkr::testing::FakeSystem system;
  {
    vkr::TFormLogin login;
    vkr::FormLogin = &login;
    login.Show();
    // The window on the screen: its first paint asks for its browser, which the loop then makes.
    vkr::testing::FakeCanvas canvas;
    system.windows.Paint(login.Handle(), canvas);
    system.windows.DeliverPosted();
    VKR_FUZZ_CHECK(system.browsers.live.size() == 1);
    vkr::testing::FakeBrowser& browser = *system.browsers.live[0];
    browser.has_document = has_document;
    browser.elements = elements;
    const std::u16string previous_user = u"previous user";
    const std::u16string previous_entry = u"previous entry";
    vkr::UserName = previous_user;
    vkr::EnterGameUrl = previous_entry;

    const bool enters = Holds(url, vkr::EnterGameMarker);
    const bool pays = url == vkr::PayUrl;
    const bool cancelled = browser.RaiseBeforeNavigate2(url);

    VKR_FUZZ_CHECK(cancelled == (enters || pays));
    if (pays) {
      VKR_FUZZ_CHECK(system.shell.executions.size() == 1);
      VKR_FUZZ_CHECK(system.shell.executions[0].file == u"IExplore.EXE");
      VKR_FUZZ_CHECK(system.shell.executions[0].parameters == u"\"" + vkr::PayUrl + u"\"");
    } else {
      VKR_FUZZ_CHECK(system.shell.executions.empty());
    }
    if (enters) {
      // The entering navigation keeps the name the page had before.
      VKR_FUZZ_CHECK(vkr::UserName == previous_user);
      VKR_FUZZ_CHECK(vkr::EnterGameUrl == url);
      VKR_FUZZ_CHECK(browser.refreshes == 1);
      VKR_FUZZ_CHECK(login.GameWindows().size() == 1);
      VKR_FUZZ_CHECK(vkr::FormMain == login.GameWindows()[0].get());
      VKR_FUZZ_CHECK(system.browsers.live.size() == 2);
      VKR_FUZZ_CHECK(system.browsers.live[1]->navigations == std::vector<std::u16string>{url});
      VKR_FUZZ_CHECK(system.windows.IsVisible(vkr::FormMain->Handle()));
      VKR_FUZZ_CHECK(!system.windows.IsVisible(login.Handle()));
    } else {
      VKR_FUZZ_CHECK(vkr::UserName == ExpectedUserName(has_document, elements));
      VKR_FUZZ_CHECK(vkr::EnterGameUrl == previous_entry);
      VKR_FUZZ_CHECK(browser.refreshes == 0);
      VKR_FUZZ_CHECK(login.GameWindows().empty() && vkr::FormMain == nullptr);
      VKR_FUZZ_CHECK(system.browsers.live.size() == 1);
      VKR_FUZZ_CHECK(system.windows.IsVisible(login.Handle()));
    }
    // The login page itself is never sent anywhere else or stopped by a navigation.
    VKR_FUZZ_CHECK(browser.navigations == std::vector<std::u16string>{vkr::GameLoginUrl});
    VKR_FUZZ_CHECK(browser.stops == 0);

    // New windows: the control's incoming value does not count, only the client command does.
    const std::size_t executions = system.shell.executions.size();
    const bool suppressed = browser.RaiseNewWindow3(url, incoming_new_window_cancel);
    VKR_FUZZ_CHECK(suppressed == Holds(url, vkr::kClientCommand));
    VKR_FUZZ_CHECK(system.shell.executions.size() == executions);
    VKR_FUZZ_CHECK(login.GameWindows().size() == (enters ? 1u : 0u));

    VKR_FUZZ_CHECK(system.ui.boxes.empty());
    VKR_FUZZ_CHECK(system.ui.terminate_requests == 0);
    vkr::FormLogin = nullptr;
  }
  // Every window and browser went with the login window.
  VKR_FUZZ_CHECK(system.browsers.live.empty());
  VKR_FUZZ_CHECK(vkr::FormMain == nullptr);
  return 0;
}
