#include "ui/form.h"

#include "platform/system.h"
#include "platform/win_constants.h"

namespace vkr {

Point PointFromLParam(std::intptr_t lparam) {
  const auto x = static_cast<std::int16_t>(static_cast<std::uint32_t>(lparam) & 0xFFFF);
  const auto y = static_cast<std::int16_t>((static_cast<std::uint32_t>(lparam) >> 16) & 0xFFFF);
  return Point{x, y};
}

bool LoadFormPicture(const std::u16string& resource_name, GraphicKind kind, Picture* picture) {
  std::string bytes;
  if (!Sys().resources->Load(resource_name, &bytes)) return false;
  std::u16string error;
  return picture->LoadFromBytes(kind, bytes, &error);
}

namespace {

constexpr std::uintptr_t kMouseButtons = win::MK_LBUTTON | win::MK_RBUTTON | win::MK_MBUTTON;

// The button of a WM_[LRM]BUTTON{DOWN,UP,DBLCLK} message.
MouseButton ButtonOf(std::uint32_t message) {
  if (message >= win::WM_MBUTTONDOWN) return MouseButton::kMiddle;
  if (message >= win::WM_RBUTTONDOWN) return MouseButton::kRight;
  return MouseButton::kLeft;
}

bool IsDoubleClick(std::uint32_t message) {
  return message == win::WM_LBUTTONDBLCLK || message == win::WM_RBUTTONDBLCLK || message == win::WM_MBUTTONDBLCLK;
}

ShiftState MouseShift(std::uintptr_t wparam) {
  return ShiftStateFromMouseKeys(wparam & 0xFFFF, Sys().windows->KeyState(win::VK_MENU) < 0);
}

}  // namespace

TForm::TForm() {
  controls_.invalidate = [this](const Rect&) {
    if (handle_ != kNoWindow) Sys().windows->Invalidate(handle_);
  };
  controls_.update = [this]() {
    if (handle_ != kNoWindow) Sys().windows->Invalidate(handle_);
  };
  controls_.realize_palette = [](bool) { return false; };
}

TForm::~TForm() { DestroyHandle(); }

bool TForm::CreateHandle(const WindowSpec& window_spec) {
  client_width_ = window_spec.bounds.Width();
  client_height_ = window_spec.bounds.Height();
  handle_ = Sys().windows->Create(window_spec, this);
  return handle_ != kNoWindow;
}

void TForm::DestroyHandle() {
  if (handle_ != kNoWindow) Sys().windows->Destroy(handle_);
  // Normally cleared by OnDestroyed; also when the system lost the window first.
  handle_ = kNoWindow;
}

Rect TForm::BoundsRect() { return handle_ == kNoWindow ? Rect{} : Sys().windows->Bounds(handle_); }

void TForm::OnDestroyed(WindowHandle window) {
  if (window != handle_) return;
  handle_ = kNoWindow;
  Destroyed();
}

void TForm::OnPaint(WindowHandle /*window*/, Canvas& canvas) {
  PaintBackground(canvas);
  controls_.Paint(canvas, Rect{0, 0, client_width_, client_height_});
}

std::optional<std::intptr_t> TForm::OnMessage(WindowHandle window, const WindowMessage& message) {
  if (window != handle_) return std::nullopt;
  if (message.message == win::WM_SIZE && message.wparam != win::SIZE_MINIMIZED) {
    const Point size = PointFromLParam(message.lparam);
    const int old_width = client_width_;
    const int old_height = client_height_;
    client_width_ = size.x & 0xFFFF;
    client_height_ = size.y & 0xFFFF;
    controls_.Resize(old_width, old_height, client_width_, client_height_);
    Resized(client_width_, client_height_);
  }
  if (std::optional<std::intptr_t> answer = WndProc(message)) return answer;
  // The derived window may have closed itself.
  if (handle_ == kNoWindow) return 0;
  return RouteMouse(message);
}

std::optional<std::intptr_t> TForm::RouteMouse(const WindowMessage& message) {
  const Point point = PointFromLParam(message.lparam);
  switch (message.message) {
    case win::WM_MOUSEMOVE:
      controls_.MouseMove(point, MouseShift(message.wparam));
      return 0;
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
    case win::WM_MBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_RBUTTONDBLCLK:
    case win::WM_MBUTTONDBLCLK: {
      // The capture is taken before the control sees the press, so that a control which hands
      // the mouse to the system (a window drag) keeps it released.
      if (controls_.ControlAt(point, false)) Sys().windows->SetCapture(handle_);
      const MouseButton button = ButtonOf(message.message);
      if (IsDoubleClick(message.message)) {
        controls_.MouseDoubleClick(button, MouseShift(message.wparam), point);
      } else {
        controls_.MouseDown(button, MouseShift(message.wparam), point);
      }
      return 0;
    }
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONUP:
    case win::WM_MBUTTONUP:
      controls_.MouseUp(ButtonOf(message.message), MouseShift(message.wparam), point);
      if (handle_ != kNoWindow && (message.wparam & kMouseButtons) == 0) Sys().windows->ReleaseCapture();
      return 0;
    case win::WM_MOUSELEAVE:
      controls_.MouseLeftWindow();
      return 0;
    case win::WM_CAPTURECHANGED:
      // Lost in the middle of a press (the system's move loop took the mouse): nothing is down
      // any more for the controls.
      if (controls_.CaptureControl()) controls_.MouseLeftWindow();
      return std::nullopt;
    case win::WM_SETCURSOR: {
      const auto hit_test = static_cast<std::int16_t>(static_cast<std::uint32_t>(message.lparam) & 0xFFFF);
      if (message.wparam != handle_ || hit_test != win::HTCLIENT) return std::nullopt;
      const Rect bounds = BoundsRect();
      const Point cursor = Sys().windows->CursorPos();
      const Point client{cursor.x - bounds.left, cursor.y - bounds.top};
      Sys().windows->SetCursor(controls_.CursorAt(client) == ControlCursor::kHand ? CursorShape::kHand
                                                                                  : CursorShape::kArrow);
      return 1;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace vkr
