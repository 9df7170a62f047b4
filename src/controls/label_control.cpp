#include "controls/label_control.h"

#include "platform/system.h"

namespace vkr {

LabelControl::LabelControl() {
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void LabelControl::SetBackgroundColor(Color color) {
  if (background_color_ == color) return;
  background_color_ = color;
  Invalidate();
}

void LabelControl::SetTransparent(bool transparent) {
  if (transparent_ == transparent) return;
  transparent_ = transparent;
  SetOpaque(!transparent_);
  Invalidate();
}

bool LabelControl::AutoSizeQuery(int& new_width, int& new_height) {
  if (!Sys().graphics) return false;
  // An empty caption still takes one line's height, as a space does.
  Size size = Sys().graphics->MeasureText(Font(), Caption().empty() ? std::u16string(u" ") : Caption());
  new_width = size.width;
  new_height = size.height;
  return true;
}

void LabelControl::FontChanged() {
  AdjustSize();
  Invalidate();
}

void LabelControl::TextChanged() {
  AdjustSize();
  Invalidate();
}

void LabelControl::Paint(Canvas& canvas) {
  if (!transparent_) canvas.FillRect(ClientRect(), background_color_);
  if (Caption().empty()) return;
  canvas.SetFont(Font());
  canvas.SetBrush(BrushStyle::kClear, background_color_);
  canvas.DrawTextClipped(ClientRect(), 0, 0, Caption());
}

}  // namespace vkr
