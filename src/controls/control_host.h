// The windowless controls of one window: their order, hit-testing, mouse routing (hover, capture,
// click), painting and anchoring. The window forwards its mouse messages and its paint here.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "controls/graphic_control.h"
#include "platform/canvas.h"
#include "platform/geometry.h"

namespace vkr {

class ControlHost {
 public:
  ControlHost() = default;
  // Controls still on the host are detached (not destroyed).
  ~ControlHost();
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;

  // What the host asks of its window: repaint a rectangle later (client coordinates), repaint now,
  // realise a control's palette (true when the window is the active form and has taken it; send
  // now when `immediate`, post otherwise).
  std::function<void(const Rect& rect)> invalidate;
  std::function<void()> update;
  std::function<bool(bool immediate)> realize_palette;

  // Adds a control on top of those already there. A control lives on one host at a time.
  void Add(GraphicControl* control);
  void Remove(GraphicControl* control);
  const std::vector<GraphicControl*>& Controls() const { return controls_; }

  // The topmost visible control under the point (enabled ones only unless `allow_disabled`).
  GraphicControl* ControlAt(Point point, bool allow_disabled) const;
  // The control the mouse is over (enter and leave are reported to disabled controls too).
  GraphicControl* HoverControl() const { return hover_; }
  // The control that has the mouse captured between a press and its release.
  GraphicControl* CaptureControl() const { return capture_; }

  // Mouse messages of the window, client coordinates. Each returns true when a control took it;
  // after a press a control took, the window keeps the mouse captured until the release, so that
  // the release reaches the same control.
  bool MouseMove(Point point, ShiftState shift);
  bool MouseDown(MouseButton button, ShiftState shift, Point point);
  bool MouseDoubleClick(MouseButton button, ShiftState shift, Point point);
  bool MouseUp(MouseButton button, ShiftState shift, Point point);
  // The mouse has left the window (WM_MOUSELEAVE) or the window lost the capture.
  void MouseLeftWindow();
  // The cursor to show at the point: that of the control under it.
  ControlCursor CursorAt(Point point) const;

  // Paints every visible control that meets `dirty`, bottom to top.
  void Paint(Canvas& canvas, const Rect& dirty);
  // The host's client area changed size: controls anchored right or bottom follow.
  void Resize(int old_width, int old_height, int new_width, int new_height);

  // Used by the controls.
  void InvalidateRect(const Rect& rect);
  void UpdateNow();
  bool RealizePalette(bool immediate);
  void ControlGone(GraphicControl* control);
  void ControlHidden(GraphicControl* control);

 private:
  void SetHover(GraphicControl* control);

  bool Has(GraphicControl* control) const;

  std::vector<GraphicControl*> controls_;
  GraphicControl* hover_ = nullptr;
  GraphicControl* capture_ = nullptr;
  // Cleared when the host is destroyed, so that input code notices a handler that freed it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vkr
