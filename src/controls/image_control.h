// A picture on the window: drawn at its natural size from the top-left corner, or stretched,
// proportional or centred in the control's area, per-pixel alpha blended over what lies below.
#pragma once

#include "controls/graphic_control.h"
#include "controls/picture.h"

namespace vkr {

// Where a face of w x h goes in a client area of cw x ch. Stretch fills the area; Proportional
// scales faces that do not fit (or, with Stretch, every face) keeping the aspect ratio; Center
// shifts the result to the middle (integer division truncating towards zero).
Rect FitPictureRect(int w, int h, int cw, int ch, bool stretch, bool proportional, bool center);

// The auto-size answer of a control showing `picture`: the picture's width unless the control is
// aligned to the top, bottom or client area, its height unless aligned left, right or client.
void ProposePictureSize(ControlAlign align, const Picture& picture, int& new_width, int& new_height);

// Gives the graphic the control's Transparent flag (metafiles and icons keep their own) and tells
// whether the control is then opaque: a graphic without transparency or per-pixel alpha whose
// rectangle covers the whole width x height.
bool ApplyTransparencyAndTestOpaque(Graphic& graphic, bool transparent, const Rect& face, int width, int height);

class ImageControl : public GraphicControl {
 public:
  ImageControl();

  // The picture; changing it repaints (and resizes with AutoSize).
  Picture& GetPicture() { return picture_; }
  void SetPicture(const Picture& picture) { picture_.Assign(picture); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

  // Where the picture is drawn, in control coordinates.
  Rect DestRect() const;

 protected:
  void Paint(Canvas& canvas) override;
  bool AutoSizeQuery(int& new_width, int& new_height) override;

 private:
  void PictureChanged();

  Picture picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
};

}  // namespace vkr
