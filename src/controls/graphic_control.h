// The windowless control: bounds, enabled and visible flags, caption, font, cursor, auto-size,
// mouse events and painting on its parent's canvas. It has no window of its own; the window it
// lives on (through a ControlHost) hit-tests it, forwards the mouse to it and paints it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/geometry.h"

namespace vkr {

class ControlHost;
class GraphicControl;

enum class MouseButton { kLeft, kRight, kMiddle };

// Keyboard and mouse state of a mouse event.
enum ShiftStateBits : std::uint32_t {
  kShiftKey = 0x01,
  kAltKey = 0x02,
  kCtrlKey = 0x04,
  kLeftButton = 0x08,
  kRightButton = 0x10,
  kMiddleButton = 0x20,
  kDoubleClick = 0x40,
};
using ShiftState = std::uint32_t;

// The shift state of a mouse message: its MK_* key flags (the low word of wParam) and the Alt
// key's state, which the message does not carry.
ShiftState ShiftStateFromMouseKeys(std::uintptr_t mouse_keys, bool alt_down);

using NotifyEvent = std::function<void(GraphicControl* sender)>;
using MouseEvent = std::function<void(GraphicControl* sender, MouseButton button, ShiftState shift, int x, int y)>;
using MouseMoveEvent = std::function<void(GraphicControl* sender, ShiftState shift, int x, int y)>;

enum class ControlAlign { kNone, kTop, kBottom, kLeft, kRight, kClient, kCustom };

// Anchor bits: which edges of the host keep their distance to the control when the host resizes.
enum AnchorBits : std::uint32_t {
  kAnchorLeft = 1,
  kAnchorTop = 2,
  kAnchorRight = 4,
  kAnchorBottom = 8,
};

// Size limits; 0 means no limit.
struct SizeConstraints {
  int min_width = 0;
  int min_height = 0;
  int max_width = 0;
  int max_height = 0;
};

enum class ControlCursor { kDefault, kHand };

class GraphicControl {
 public:
  GraphicControl() = default;
  // Leaves its host.
  virtual ~GraphicControl();
  GraphicControl(const GraphicControl&) = delete;
  GraphicControl& operator=(const GraphicControl&) = delete;

  ControlHost* Host() const { return host_; }

  // Bounds in the host's client coordinates.
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  Rect BoundsRect() const { return vkr::BoundsRect(left_, top_, width_, height_); }
  Rect ClientRect() const { return Rect{0, 0, width_, height_}; }
  // Moves and sizes the control. With AutoSize set, AutoSizeQuery may replace the size; the
  // constraints limit it. The old and the new area are repainted.
  void SetBounds(int left, int top, int width, int height);
  void SetBoundsRect(const Rect& rect) { SetBounds(rect.left, rect.top, rect.Width(), rect.Height()); }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }

  ControlAlign Align() const { return align_; }
  void SetAlign(ControlAlign align) { align_ = align; }
  std::uint32_t Anchors() const { return anchors_; }
  void SetAnchors(std::uint32_t anchors) { anchors_ = anchors; }
  const SizeConstraints& Constraints() const { return constraints_; }
  void SetConstraints(const SizeConstraints& constraints);
  bool AutoSize() const { return auto_size_; }
  // Turning auto-size on sizes the control at once (through AutoSizeQuery).
  void SetAutoSize(bool auto_size);

  bool Enabled() const { return enabled_; }
  // Runs CMEnabledChanged and repaints when the value changes.
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& caption);
  const vkr::Font& Font() const { return font_; }
  void SetFont(const vkr::Font& font);
  // Only the colour of the font.
  void SetFontColor(Color color);
  ControlCursor Cursor() const { return cursor_; }
  void SetCursor(ControlCursor cursor) { cursor_ = cursor; }
  // Set by controls that paint every pixel of their bounds, so the host need not erase below them.
  bool Opaque() const { return opaque_; }

  // Asks the host to repaint the control's area later / now.
  void Invalidate();
  void Update();
  void Repaint() {
    Invalidate();
    Update();
  }

  // Events of the base control.
  void SetOnClick(NotifyEvent handler) { on_click_ = std::move(handler); }
  void SetOnDblClick(NotifyEvent handler) { on_dbl_click_ = std::move(handler); }
  void SetOnMouseEnter(NotifyEvent handler) { on_mouse_enter_ = std::move(handler); }
  void SetOnMouseLeave(NotifyEvent handler) { on_mouse_leave_ = std::move(handler); }
  void SetOnMouseDown(MouseEvent handler) { on_mouse_down_ = std::move(handler); }
  void SetOnMouseUp(MouseEvent handler) { on_mouse_up_ = std::move(handler); }
  void SetOnMouseMove(MouseMoveEvent handler) { on_mouse_move_ = std::move(handler); }

  // Input from the host, in control coordinates. A left-button press followed by a release
  // inside the control is a click, reported before the mouse-up event; a double-click reports
  // OnDblClick and then a mouse-down with kDoubleClick, and its release is no click.
  void MouseEnter();
  void MouseLeave();
  void MouseDown(MouseButton button, ShiftState shift, int x, int y);
  void MouseDoubleClick(MouseButton button, ShiftState shift, int x, int y);
  void MouseUp(MouseButton button, ShiftState shift, int x, int y);
  void MouseMove(ShiftState shift, int x, int y);
  // The click event (also for callers that click on the user's behalf).
  virtual void Click();

  // Paints the control on the host's canvas: the viewport is set to the control's bounds.
  void PaintOn(Canvas& canvas);

 protected:
  // Painting in control coordinates.
  virtual void Paint(Canvas& canvas) = 0;
  // Auto-size hook: may change the proposed size; true to take it.
  virtual bool AutoSizeQuery(int& new_width, int& new_height);
  // The enabled flag has changed (the base repaints).
  virtual void CMEnabledChanged();
  // The font has changed (the base repaints).
  virtual void FontChanged() { Invalidate(); }
  // The caption has changed (the base repaints).
  virtual void TextChanged() { Invalidate(); }
  // The control's palette handle; 0 for none.
  virtual std::uintptr_t GetPalette() { return 0; }
  void SetOpaque(bool opaque) { opaque_ = opaque; }
  // Sizes the control anew through AutoSizeQuery when AutoSize is set.
  void AdjustSize();

 private:
  friend class ControlHost;

  ControlHost* host_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  ControlAlign align_ = ControlAlign::kNone;
  std::uint32_t anchors_ = kAnchorLeft | kAnchorTop;
  SizeConstraints constraints_;
  bool auto_size_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  std::u16string caption_;
  vkr::Font font_;
  ControlCursor cursor_ = ControlCursor::kDefault;
  bool opaque_ = false;
  bool clicked_ = false;  // a left press that may become a click
  // Cleared when the control is destroyed, so that input code notices a handler that freed it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  NotifyEvent on_click_;
  NotifyEvent on_dbl_click_;
  NotifyEvent on_mouse_enter_;
  NotifyEvent on_mouse_leave_;
  MouseEvent on_mouse_down_;
  MouseEvent on_mouse_up_;
  MouseMoveEvent on_mouse_move_;
};

}  // namespace vkr
