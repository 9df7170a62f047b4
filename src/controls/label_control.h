// A text label: one line in the control's font, on its background colour or transparent, sized
// to its text when auto-size is on (within its constraints, so a maximum width clips the text).
#pragma once

#include "controls/graphic_control.h"

namespace vkr {

class LabelControl : public GraphicControl {
 public:
  // Auto-size on, opaque background in the system's button-face colour.
  LabelControl();

  Color BackgroundColor() const { return background_color_; }
  void SetBackgroundColor(Color color);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

 protected:
  void Paint(Canvas& canvas) override;
  bool AutoSizeQuery(int& new_width, int& new_height) override;
  void FontChanged() override;
  void TextChanged() override;

 private:
  Color background_color_ = 0xF0F0F0;
  bool transparent_ = false;
};

}  // namespace vkr
