#include "controls/graphic_control.h"

#include "controls/control_host.h"
#include "platform/win_constants.h"

namespace vkr {

namespace {

ShiftState ButtonBit(MouseButton button) {
  switch (button) {
    case MouseButton::kLeft:
      return kLeftButton;
    case MouseButton::kRight:
      return kRightButton;
    case MouseButton::kMiddle:
      return kMiddleButton;
  }
  return 0;
}
}  // namespace

ShiftState ShiftStateFromMouseKeys(std::uintptr_t mouse_keys, bool alt_down) {
  ShiftState shift = 0;
  if (mouse_keys & win::MK_LBUTTON) shift |= kLeftButton;
  if (mouse_keys & win::MK_RBUTTON) shift |= kRightButton;
  if (mouse_keys & win::MK_SHIFT) shift |= kShiftKey;
  if (mouse_keys & win::MK_CONTROL) shift |= kCtrlKey;
  if (mouse_keys & win::MK_MBUTTON) shift |= kMiddleButton;
  if (alt_down) shift |= kAltKey;
  return shift;
}

GraphicControl::~GraphicControl() {
  *alive_ = false;
  if (host_) host_->ControlGone(this);
}

void GraphicControl::SetBounds(int left, int top, int width, int height) {
  if (auto_size_) {
    int new_width = width;
    int new_height = height;
    if (AutoSizeQuery(new_width, new_height)) {
      width = new_width;
      height = new_height;
    }
  }
  if (constraints_.max_width > 0 && width > constraints_.max_width) width = constraints_.max_width;
  if (constraints_.max_height > 0 && height > constraints_.max_height) height = constraints_.max_height;
  if (width < constraints_.min_width) width = constraints_.min_width;
  if (height < constraints_.min_height) height = constraints_.min_height;
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Invalidate();
}

void GraphicControl::SetConstraints(const SizeConstraints& constraints) {
  constraints_ = constraints;
  SetBounds(left_, top_, width_, height_);
}

void GraphicControl::SetAutoSize(bool auto_size) {
  if (auto_size_ == auto_size) return;
  auto_size_ = auto_size;
  AdjustSize();
}

void GraphicControl::AdjustSize() {
  if (auto_size_) SetBounds(left_, top_, width_, height_);
}

bool GraphicControl::AutoSizeQuery(int& /*new_width*/, int& /*new_height*/) { return false; }

void GraphicControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  CMEnabledChanged();
}

void GraphicControl::CMEnabledChanged() { Invalidate(); }

void GraphicControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  if (host_) host_->InvalidateRect(BoundsRect());
  visible_ = visible;
  if (!visible_ && host_) host_->ControlHidden(this);
}

void GraphicControl::SetCaption(const std::u16string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  TextChanged();
}

void GraphicControl::SetFont(const vkr::Font& font) {
  if (font_ == font) return;
  font_ = font;
  FontChanged();
}

void GraphicControl::SetFontColor(Color color) {
  vkr::Font font = font_;
  font.color = color;
  SetFont(font);
}

void GraphicControl::Invalidate() {
  if (host_ && visible_) host_->InvalidateRect(BoundsRect());
}

void GraphicControl::Update() {
  if (host_) host_->UpdateNow();
}

void GraphicControl::MouseEnter() {
  if (on_mouse_enter_) on_mouse_enter_(this);
}

void GraphicControl::MouseLeave() {
  if (on_mouse_leave_) on_mouse_leave_(this);
}

void GraphicControl::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (button == MouseButton::kLeft) clicked_ = true;
  if (on_mouse_down_) on_mouse_down_(this, button, shift | ButtonBit(button), x, y);
}

void GraphicControl::MouseDoubleClick(MouseButton button, ShiftState shift, int x, int y) {
  clicked_ = false;
  std::shared_ptr<bool> alive = alive_;
  if (button == MouseButton::kLeft && on_dbl_click_) on_dbl_click_(this);
  if (!*alive) return;
  if (on_mouse_down_) on_mouse_down_(this, button, shift | ButtonBit(button) | kDoubleClick, x, y);
}

void GraphicControl::MouseUp(MouseButton button, ShiftState shift, int x, int y) {
  std::shared_ptr<bool> alive = alive_;
  if (button == MouseButton::kLeft && clicked_) {
    clicked_ = false;
    if (ClientRect().Contains(Point{x, y})) Click();
    if (!*alive) return;
  }
  if (on_mouse_up_) on_mouse_up_(this, button, shift, x, y);
}

void GraphicControl::MouseMove(ShiftState shift, int x, int y) {
  if (on_mouse_move_) on_mouse_move_(this, shift, x, y);
}

void GraphicControl::Click() {
  if (on_click_) on_click_(this);
}

void GraphicControl::PaintOn(Canvas& canvas) {
  canvas.SetViewport(BoundsRect());
  Paint(canvas);
  canvas.ResetViewport();
}

}  // namespace vkr
