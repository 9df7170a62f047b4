// The game window's navigation rules over arbitrary addresses: "client://loadgame|" at the very
// start is cancelled and reloads the page at exactly the rest of the address once the event has
// returned, anything else navigates untouched; a completed document takes the server label from
// the top-level address only; new windows are suppressed exactly for the page's client commands.
#include <optional>
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

bool Holds(const std::u16string& text, const std::u16string& what) { return text.find(what) != std::u16string::npos; }

std::u16string UpperAsciiCopy(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  return text;
}

// The label the address yields: the text after the first "http://" (or from the seventh unit
// when there is none) up to the first occurrence of the game-server host suffix.
std::u16string ExpectedLabel(const std::u16string& location) {
  const std::size_t suffix = location.find(vkr::GameServerHostSuffix);
  if (suffix == std::u16string::npos) return u"";
  const std::size_t http = location.find(u"http://");
  const std::size_t start = http == std::u16string::npos ? 6 : http + 7;
  if (suffix <= start) return u"";
  return location.substr(start, suffix - start);
}

std::u16string ConsumeAddress(FuzzedDataProvider& data) {
  if (data.ConsumeBool()) return vkr::kLoadGamePrefix + vkr::fuzz::ConsumeUrlish(data, 128);
  return vkr::fuzz::ConsumeUrlish(data, 256);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const bool busy = data.ConsumeBool();
  const bool incoming_new_window_cancel = data.ConsumeBool();
  const std::u16string previous_label = data.ConsumeBool() ? u"S12" : vkr::fuzz::ConsumeText(data, 6);
  const std::u16string location = vkr::fuzz::ConsumeUrlishUpTo(data, 128);
  const std::u16string frame_url = vkr::fuzz::ConsumeUrlishUpTo(data, 32);
  const std::u16string url = ConsumeAddress(data);

  // The rule itself: present exactly for the prefix at the first position, and then the rest.
  const std::u16string prefix = vkr::kLoadGamePrefix;
  const bool loads = url.size() >= prefix.size() && url.compare(0, prefix.size(), prefix) == 0;
  const std::optional<std::u16string> target = vkr::LoadGameTarget(url);
  VKR_FUZZ_CHECK(target.has_value() == loads);
  if (loads) VKR_FUZZ_CHECK(prefix + *target == url);
  VKR_FUZZ_CHECK(vkr::LoadGameTarget(prefix + url) == std::optional<std::u16string>(url));

  vkr::testing::FakeSystem system;
  {
    vkr::TFormLogin login;
    vkr::FormLogin = &login;
    login.Show();
    // The window on the screen: its first paint asks for its browser, which the loop then makes.
    vkr::testing::FakeCanvas canvas;
    system.windows.Paint(login.Handle(), canvas);
    system.windows.DeliverPosted();
    const std::u16string entry = u"http://" + vkr::EnterGameMarker + u"sid=1";
    system.browsers.live.at(0)->RaiseBeforeNavigate2(entry);
    VKR_FUZZ_CHECK(vkr::FormMain != nullptr && system.browsers.live.size() == 2);
    vkr::TFormMain& game = *vkr::FormMain;
    vkr::testing::FakeBrowser& frame = *system.browsers.live[1];
    frame.busy = busy;
    system.windows.posted.clear();
    const std::vector<std::u16string> entered{entry};
    VKR_FUZZ_CHECK(frame.navigations == entered);

    // Before navigation: nothing happens inside the event but the cancel and one posted message.
    const bool cancelled = frame.RaiseBeforeNavigate2(url);
    VKR_FUZZ_CHECK(cancelled == loads);
    VKR_FUZZ_CHECK(frame.navigations == entered && frame.stops == 0);
    if (loads) {
      VKR_FUZZ_CHECK(game.RevigateUrl() == *target);
      VKR_FUZZ_CHECK(system.windows.posted.size() == 1);
      VKR_FUZZ_CHECK(system.windows.posted[0].window == game.Handle());
      VKR_FUZZ_CHECK(system.windows.posted[0].message.message == vkr::kRevigateMessage);
    } else {
      VKR_FUZZ_CHECK(game.RevigateUrl().empty());
      VKR_FUZZ_CHECK(system.windows.posted.empty());
    }
    system.windows.DeliverPosted();
    if (loads) {
      VKR_FUZZ_CHECK(frame.navigations == (std::vector<std::u16string>{entry, u"about:blank", *target}));
      VKR_FUZZ_CHECK(frame.stops == (busy ? 1 : 0));
    } else {
      VKR_FUZZ_CHECK(frame.navigations == entered && frame.stops == 0);
    }

    // A completed document, of the page or of one of its frames: only the top-level address counts.
    frame.location_url = location;
    vkr::GameServerName = previous_label;
    frame.RaiseDocumentComplete(frame_url);
    const std::u16string label = ExpectedLabel(location);
    VKR_FUZZ_CHECK(vkr::GameServerName == (label.empty() ? previous_label : UpperAsciiCopy(label)));
    if (!Holds(location, vkr::GameServerHostSuffix)) VKR_FUZZ_CHECK(vkr::GameServerName == previous_label);

    // New windows: the control's incoming value does not count, only the client command does.
    VKR_FUZZ_CHECK(frame.RaiseNewWindow3(url, incoming_new_window_cancel) == Holds(url, vkr::kClientCommand));
    VKR_FUZZ_CHECK(frame.RaiseNewWindow3(location, incoming_new_window_cancel) == Holds(location, vkr::kClientCommand));

    // Nothing opened, shown or closed that the rules do not call for.
    VKR_FUZZ_CHECK(system.shell.executions.empty());
    VKR_FUZZ_CHECK(system.ui.boxes.empty());
    VKR_FUZZ_CHECK(system.browsers.live.size() == 2 && vkr::FormMain == &game);
    VKR_FUZZ_CHECK(system.windows.IsVisible(game.Handle()) && !system.windows.IsVisible(login.Handle()));
    VKR_FUZZ_CHECK(system.windows.posted.empty());
    vkr::FormLogin = nullptr;
  }
  VKR_FUZZ_CHECK(system.browsers.live.empty());
  VKR_FUZZ_CHECK(vkr::FormMain == nullptr);
  return 0;
}
