#include "controls/control_host.h"

#include <algorithm>

namespace vkr {

ControlHost::~ControlHost() {
  *alive_ = false;
  for (GraphicControl* control : controls_) control->host_ = nullptr;
}

void ControlHost::Add(GraphicControl* control) {
  if (!control || control->host_ == this) return;
  if (control->host_) control->host_->Remove(control);
  controls_.push_back(control);
  control->host_ = this;
  control->Invalidate();
}

void ControlHost::Remove(GraphicControl* control) {
  if (!control || control->host_ != this) return;
  Rect area = control->BoundsRect();
  ControlGone(control);
  control->host_ = nullptr;
  InvalidateRect(area);
}

bool ControlHost::Has(GraphicControl* control) const {
  return std::find(controls_.begin(), controls_.end(), control) != controls_.end();
}

void ControlHost::ControlGone(GraphicControl* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (hover_ == control) hover_ = nullptr;
  if (capture_ == control) capture_ = nullptr;
  if (control->visible_) InvalidateRect(control->BoundsRect());
}

void ControlHost::ControlHidden(GraphicControl* control) {
  if (hover_ == control) hover_ = nullptr;
  if (capture_ == control) capture_ = nullptr;
}

GraphicControl* ControlHost::ControlAt(Point point, bool allow_disabled) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    GraphicControl* control = *it;
    if (!control->Visible() || (!control->Enabled() && !allow_disabled)) continue;
    if (control->BoundsRect().Contains(point)) return control;
  }
  return nullptr;
}

void ControlHost::SetHover(GraphicControl* control) {
  if (control == hover_) return;
  std::shared_ptr<bool> alive = alive_;
  GraphicControl* old = hover_;
  hover_ = control;
  if (old) old->MouseLeave();
  if (!*alive) return;
  // The leave handler may have removed the control that is entered.
  if (control && hover_ == control && Has(control)) control->MouseEnter();
}

bool ControlHost::MouseMove(Point point, ShiftState shift) {
  std::shared_ptr<bool> alive = alive_;
  SetHover(ControlAt(point, true));
  if (!*alive) return true;
  GraphicControl* target = capture_ ? capture_ : ControlAt(point, false);
  if (!target) return false;
  target->MouseMove(shift, point.x - target->Left(), point.y - target->Top());
  return true;
}

bool ControlHost::MouseDown(MouseButton button, ShiftState shift, Point point) {
  std::shared_ptr<bool> alive = alive_;
  SetHover(ControlAt(point, true));
  if (!*alive) return true;
  GraphicControl* target = ControlAt(point, false);
  if (!target) return false;
  capture_ = target;
  target->MouseDown(button, shift, point.x - target->Left(), point.y - target->Top());
  return true;
}

bool ControlHost::MouseDoubleClick(MouseButton button, ShiftState shift, Point point) {
  GraphicControl* target = ControlAt(point, false);
  if (!target) return false;
  capture_ = target;
  target->MouseDoubleClick(button, shift, point.x - target->Left(), point.y - target->Top());
  return true;
}

bool ControlHost::MouseUp(MouseButton button, ShiftState shift, Point point) {
  GraphicControl* target = capture_ ? capture_ : ControlAt(point, false);
  capture_ = nullptr;
  if (!target) return false;
  target->MouseUp(button, shift, point.x - target->Left(), point.y - target->Top());
  return true;
}

void ControlHost::MouseLeftWindow() { SetHover(nullptr); }

ControlCursor ControlHost::CursorAt(Point point) const {
  GraphicControl* control = ControlAt(point, true);
  return control ? control->Cursor() : ControlCursor::kDefault;
}

void ControlHost::Paint(Canvas& canvas, const Rect& dirty) {
  // A copy: painting must not be disturbed by a control that leaves during it.
  std::vector<GraphicControl*> controls = controls_;
  for (GraphicControl* control : controls) {
    if (!Has(control) || !control->Visible()) continue;
    if (Intersect(control->BoundsRect(), dirty).IsEmpty()) continue;
    control->PaintOn(canvas);
  }
}

void ControlHost::Resize(int old_width, int old_height, int new_width, int new_height) {
  int dx = new_width - old_width;
  int dy = new_height - old_height;
  if (dx == 0 && dy == 0) return;
  for (GraphicControl* control : std::vector<GraphicControl*>(controls_)) {
    std::uint32_t anchors = control->Anchors();
    int left = control->Left();
    int top = control->Top();
    int width = control->Width();
    int height = control->Height();
    if (anchors & kAnchorRight) {
      if (anchors & kAnchorLeft) {
        width += dx;
      } else {
        left += dx;
      }
    } else if (!(anchors & kAnchorLeft)) {
      left += dx / 2;
    }
    if (anchors & kAnchorBottom) {
      if (anchors & kAnchorTop) {
        height += dy;
      } else {
        top += dy;
      }
    } else if (!(anchors & kAnchorTop)) {
      top += dy / 2;
    }
    control->SetBounds(left, top, width, height);
  }
}

void ControlHost::InvalidateRect(const Rect& rect) {
  if (invalidate && !rect.IsEmpty()) invalidate(rect);
}

void ControlHost::UpdateNow() {
  if (update) update();
}

bool ControlHost::RealizePalette(bool immediate) { return realize_palette ? realize_palette(immediate) : false; }

}  // namespace vkr
