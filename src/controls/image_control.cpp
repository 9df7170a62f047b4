#include "controls/image_control.h"

namespace vkr {

Rect FitPictureRect(int w, int h, int cw, int ch, bool stretch, bool proportional, bool center) {
  if (stretch || (proportional && (w > cw || h > ch))) {
    if (proportional && w > 0 && h > 0) {
      double ratio = static_cast<double>(w) / h;
      if (w > h) {
        w = cw;
        h = static_cast<int>(cw / ratio);
        if (h > ch) {
          h = ch;
          w = static_cast<int>(ch * ratio);
        }
      } else {
        h = ch;
        w = static_cast<int>(ch * ratio);
        if (w > cw) {
          w = cw;
          h = static_cast<int>(cw / ratio);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  Rect rect{0, 0, w, h};
  if (center) rect = rect.Offset((cw - w) / 2, (ch - h) / 2);
  return rect;
}

void ProposePictureSize(ControlAlign align, const Picture& picture, int& new_width, int& new_height) {
  if (align == ControlAlign::kNone || align == ControlAlign::kLeft || align == ControlAlign::kRight) {
    new_width = picture.Width();
  }
  if (align == ControlAlign::kNone || align == ControlAlign::kTop || align == ControlAlign::kBottom) {
    new_height = picture.Height();
  }
}

bool ApplyTransparencyAndTestOpaque(Graphic& graphic, bool transparent, const Rect& face, int width, int height) {
  if (graphic.Kind() != GraphicKind::kMetafile && graphic.Kind() != GraphicKind::kIcon) {
    graphic.SetTransparent(transparent);
  }
  // A graphic with per-pixel alpha shows what lies below it, as a transparent one does.
  bool see_through = graphic.Transparent() || graphic.SupportsPartialTransparency();
  return !see_through && face.left <= 0 && face.top <= 0 && face.right >= width && face.bottom >= height;
}

ImageControl::ImageControl() {
  SetBounds(0, 0, 105, 105);
  picture_.SetOnChange([this] { PictureChanged(); });
}

void ImageControl::SetStretch(bool value) {
  if (stretch_ == value) return;
  stretch_ = value;
  PictureChanged();
}

void ImageControl::SetCenter(bool value) {
  if (center_ == value) return;
  center_ = value;
  PictureChanged();
}

void ImageControl::SetProportional(bool value) {
  if (proportional_ == value) return;
  proportional_ = value;
  PictureChanged();
}

void ImageControl::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  PictureChanged();
}

Rect ImageControl::DestRect() const {
  return FitPictureRect(picture_.Width(), picture_.Height(), Width(), Height(), stretch_, proportional_, center_);
}

bool ImageControl::AutoSizeQuery(int& new_width, int& new_height) {
  ProposePictureSize(Align(), picture_, new_width, new_height);
  return true;
}

void ImageControl::PictureChanged() {
  if (AutoSize() && picture_.Width() > 0 && picture_.Height() > 0) {
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  }
  Graphic* graphic = picture_.GetGraphic();
  SetOpaque(graphic && ApplyTransparencyAndTestOpaque(*graphic, transparent_, DestRect(), Width(), Height()));
  Invalidate();
}

void ImageControl::Paint(Canvas& canvas) {
  if (Graphic* graphic = picture_.GetGraphic()) canvas.StretchDraw(DestRect(), *graphic);
}

}  // namespace vkr
