#include "fakes/fake_windows.h"

#include "platform/win_constants.h"

namespace vkr::testing {

FakeWindows::Window* FakeWindows::Find(WindowHandle window) {
  auto it = windows_.find(window);
  if (it == windows_.end() || it->second.destroyed) return nullptr;
  return &it->second;
}

bool FakeWindows::Exists(WindowHandle window) const {
  auto it = windows_.find(window);
  return it != windows_.end() && !it->second.destroyed;
}

WindowHandle FakeWindows::Create(const WindowSpec& window_spec, WindowListener* listener) {
  if (fail_create) return kNoWindow;
  const WindowHandle handle = next_handle_;
  next_handle_ += 0x10;
  Window w;
  w.window_spec = window_spec;
  w.listener = listener;
  w.bounds = window_spec.bounds;
  w.style = window_spec.style;
  w.ex_style = window_spec.ex_style;
  w.caption = window_spec.caption;
  w.background = window_spec.background;
  w.show_state = win::SW_SHOWNORMAL;
  windows_[handle] = w;
  created_.push_back(handle);
  return handle;
}

void FakeWindows::Destroy(WindowHandle window) {
  Window* w = Find(window);
  if (!w) return;
  w->destroyed = true;
  w->visible = false;
  w->timers.clear();
  WindowListener* listener = w->listener;
  w->listener = nullptr;
  if (listener) listener->OnDestroyed(window);
}

void FakeWindows::Show(WindowHandle window, int show_command) {
  Window* w = Find(window);
  if (!w) return;
  w->show_commands.push_back(show_command);
  switch (show_command) {
    case win::SW_HIDE:
      w->visible = false;
      break;
    case win::SW_SHOWMAXIMIZED:
      w->visible = true;
      w->show_state = win::SW_SHOWMAXIMIZED;
      SetBounds(window, work_area);
      break;
    case win::SW_SHOWMINIMIZED:
    case win::SW_MINIMIZE:
      w->show_state = win::SW_SHOWMINIMIZED;
      if (show_command == win::SW_SHOWMINIMIZED) w->visible = true;
      break;
    case win::SW_SHOWNORMAL:
    case win::SW_RESTORE:
      w->visible = true;
      w->show_state = win::SW_SHOWNORMAL;
      break;
    default:  // SW_SHOW, SW_SHOWNA: visible in the current state
      w->visible = true;
      break;
  }
}

bool FakeWindows::IsVisible(WindowHandle window) {
  Window* w = Find(window);
  return w && w->visible;
}

int FakeWindows::ShowState(WindowHandle window) {
  Window* w = Find(window);
  return w ? w->show_state : 0;
}

Rect FakeWindows::Bounds(WindowHandle window) {
  Window* w = Find(window);
  return w ? w->bounds : Rect{};
}

void FakeWindows::SetBounds(WindowHandle window, const Rect& bounds) {
  Window* w = Find(window);
  if (!w) return;
  const bool resized = bounds.Width() != w->bounds.Width() || bounds.Height() != w->bounds.Height();
  w->bounds = bounds;
  if (resized && w->listener) {
    const std::intptr_t size = (static_cast<std::intptr_t>(bounds.Height() & 0xFFFF) << 16) | (bounds.Width() & 0xFFFF);
    Dispatch(window, win::WM_SIZE, 0, size);
  }
}

std::uint32_t FakeWindows::Style(WindowHandle window) {
  Window* w = Find(window);
  return w ? w->style : 0;
}
void FakeWindows::SetStyle(WindowHandle window, std::uint32_t style) {
  if (Window* w = Find(window)) w->style = style;
}
std::uint32_t FakeWindows::ExStyle(WindowHandle window) {
  Window* w = Find(window);
  return w ? w->ex_style : 0;
}
void FakeWindows::SetExStyle(WindowHandle window, std::uint32_t ex_style) {
  if (Window* w = Find(window)) w->ex_style = ex_style;
}
void FakeWindows::SetCaption(WindowHandle window, const std::u16string& caption) {
  if (Window* w = Find(window)) w->caption = caption;
}
bool FakeWindows::SetColorKey(WindowHandle window, std::uint32_t color, std::uint8_t alpha) {
  Window* w = Find(window);
  if (!w) return false;
  w->layered = true;
  w->ex_style |= win::WS_EX_LAYERED;
  w->color_key = color;
  w->alpha = alpha;
  return true;
}
void FakeWindows::SetBackground(WindowHandle window, std::uint32_t color) {
  if (Window* w = Find(window)) w->background = color;
}

bool FakeWindows::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t period_ms) {
  Window* w = Find(window);
  if (!w) return false;
  w->timers[id] = period_ms;
  return true;
}
void FakeWindows::KillTimer(WindowHandle window, std::uintptr_t id) {
  if (Window* w = Find(window)) w->timers.erase(id);
}

bool FakeWindows::Post(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  if (!Find(window)) return false;
  posted.push_back({window, {message, wparam, lparam}});
  return true;
}

std::intptr_t FakeWindows::Send(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                std::intptr_t lparam) {
  return Dispatch(window, message, wparam, lparam);
}

std::intptr_t FakeWindows::Dispatch(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                    std::intptr_t lparam) {
  Window* w = Find(window);
  if (!w) return 0;
  if (w->listener) {
    const std::optional<std::intptr_t> answer = w->listener->OnMessage(window, {message, wparam, lparam});
    if (answer) return *answer;
  }
  return DefaultProcedure(window, message, wparam, lparam);
}

std::intptr_t FakeWindows::DefaultProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                            std::intptr_t lparam) {
  default_calls.push_back({window, {message, wparam, lparam}});
  Window* w = Find(window);
  if (!w) return 0;
  if (message == win::WM_NCHITTEST) return win::HTCLIENT;
  if (message == win::WM_CLOSE) Destroy(window);
  if (message == win::WM_SYSCOMMAND && (wparam & 0xFFF0) == win::SC_CLOSE) Dispatch(window, win::WM_CLOSE);
  if (message == win::WM_SYSCOMMAND && (wparam & 0xFFF0) == win::SC_MINIMIZE) Show(window, win::SW_MINIMIZE);
  return 0;
}

void FakeWindows::Invalidate(WindowHandle window) {
  if (Window* w = Find(window)) ++w->invalidations;
}

Point FakeWindows::ClientToScreen(WindowHandle window, Point point) {
  Window* w = Find(window);
  if (!w) return point;
  return {point.x + w->bounds.left, point.y + w->bounds.top};
}

bool FakeWindows::IsChild(WindowHandle parent, WindowHandle window) {
  auto range = children.equal_range(parent);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second == window || IsChild(it->second, window)) return true;
  }
  return false;
}

std::int16_t FakeWindows::KeyState(int virtual_key) {
  auto it = key_states.find(virtual_key);
  return it == key_states.end() ? 0 : it->second;
}

int FakeWindows::DeliverPosted() {
  int count = 0;
  while (!posted.empty()) {
    const Posted p = posted.front();
    posted.pop_front();
    Dispatch(p.window, p.message.message, p.message.wparam, p.message.lparam);
    ++count;
  }
  return count;
}

bool FakeWindows::FireTimer(WindowHandle window, std::uintptr_t id) {
  Window* w = Find(window);
  if (!w || w->timers.count(id) == 0) return false;
  Dispatch(window, win::WM_TIMER, id, 0);
  return true;
}

void FakeWindows::Paint(WindowHandle window, Canvas& canvas) {
  Window* w = Find(window);
  if (w && w->listener) w->listener->OnPaint(window, canvas);
}

MinMaxInfo FakeWindows::GetMinMaxInfo(WindowHandle window) {
  MinMaxInfo info;
  info.max_size = screen;
  Window* w = Find(window);
  if (w && w->listener) w->listener->OnGetMinMaxInfo(window, info);
  return info;
}

int FakeMenus::TrackPopup(WindowHandle owner, const std::vector<MenuItem>& items, Point screen) {
  const WindowHandle foreground = foreground_calls && !foreground_calls->empty() ? foreground_calls->back() : kNoWindow;
  popups.push_back({owner, items, screen, foreground});
  if (choices.empty()) return 0;
  const std::u16string choice = choices.front();
  choices.pop_front();
  for (const MenuItem& item : items) {
    if (item.caption == choice) return item.id;
  }
  return 0;
}

bool FakeResources::Load(const std::u16string& name, std::string* bytes) {
  loaded.push_back(name);
  auto it = data.find(name);
  if (it != data.end()) {
    *bytes = it->second;
    return true;
  }
  return false;
}

std::uint32_t FakeWindows::RegisterMessage(const std::u16string& name) {
  const auto it = registered_messages.find(name);
  if (it != registered_messages.end()) return it->second;
  const auto number = static_cast<std::uint32_t>(0xC100 + registered_messages.size());
  registered_messages[name] = number;
  return number;
}

}  // namespace vkr::testing
