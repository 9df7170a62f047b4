#include "fakes/fake_ui.h"

#include "platform/win_constants.h"

namespace vkr::testing {

int FakeUi::MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                       std::uint32_t type) {
  boxes.push_back({owner, text, caption, type});
  if (answers.empty()) return win::IDOK;
  const int answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

bool FakeUi::CallOnGuiThread(const std::function<void()>& call) {
  ++gui_calls;
  if (gui_gone) return false;
  call();
  return true;
}

}  // namespace vkr::testing
