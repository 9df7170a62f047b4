#include "controls/vuxo_button.h"

#include "common/text.h"
#include "controls/control_host.h"
#include "controls/image_control.h"
#include "platform/geometry.h"
#include "platform/system.h"

namespace vkr {

namespace {

// Restores a flag when it goes out of scope, also when painting leaves early.
class FlagRestorer {
 public:
  FlagRestorer(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
  ~FlagRestorer() { flag_ = saved_; }
  FlagRestorer(const FlagRestorer&) = delete;
  FlagRestorer& operator=(const FlagRestorer&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

TVuxoButton::TVuxoButton() {
  FPicture.SetOnChange([this] { FaceChanged(); });
  FPicture.SetOnProgress([this](const PictureProgress& progress) { FaceProgress(progress); });
  GraphicControl::SetOnMouseEnter([this](GraphicControl* sender) { StateMouseEnter(sender); });
  GraphicControl::SetOnMouseLeave([this](GraphicControl* sender) { StateMouseLeave(sender); });
  GraphicControl::SetOnMouseDown([this](GraphicControl* sender, MouseButton button, ShiftState shift, int x, int y) {
    StateMouseDown(sender, button, shift, x, y);
  });
  GraphicControl::SetOnMouseUp([this](GraphicControl* sender, MouseButton button, ShiftState shift, int x, int y) {
    StateMouseUp(sender, button, shift, x, y);
  });
  FTxtOffsetWidth = 25;
  SetHeight(28);
  SetWidth(80);
}

TVuxoButton::~TVuxoButton() {
  // The face's handlers point at this button; the pictures go with it.
  FPicture.SetOnChange(nullptr);
  FPicture.SetOnProgress(nullptr);
}

void TVuxoButton::SetPicture(const vkr::Picture& picture) { FPicture.Assign(picture); }

void TVuxoButton::SetCheck(bool value) {
  FCheck = value;
  FPicture.Assign(FCheck ? FPictureCheckNormal : FPictureNormal);
}

void TVuxoButton::SetPictureNormal(const vkr::Picture& picture) {
  FPictureNormal.Assign(picture);
  FPicture.Assign(FPictureNormal);
}

void TVuxoButton::SetCenter(bool value) {
  if (FCenter == value) return;
  FCenter = value;
  FaceChanged();
}

void TVuxoButton::SetStretch(bool value) {
  if (FStretch == value) return;
  FStretch = value;
  FaceChanged();
}

void TVuxoButton::SetProportional(bool value) {
  if (FProportional == value) return;
  FProportional = value;
  FaceChanged();
}

void TVuxoButton::SetTransparent(bool value) {
  if (FTransparent == value) return;
  FTransparent = value;
  FaceChanged();
}

void TVuxoButton::SetTxtColorNormal(Color color) {
  FTxtColorNormal = color;
  SetFontColor(color);
}

void TVuxoButton::SetTxtOffsetWidth(std::int32_t value) {
  FTxtOffsetWidth = value;
  Invalidate();
}

void TVuxoButton::ShowState(Color color, const vkr::Picture& unchecked, const vkr::Picture& checked) {
  SetFontColor(color);
  const vkr::Picture& chosen = FCheck ? checked : unchecked;
  // An empty state picture never blanks the face.
  if (chosen.HasGraphic()) FPicture.Assign(chosen);
}

void TVuxoButton::StateMouseEnter(GraphicControl* /*sender*/) {
  if (Enabled()) ShowState(FTxtColorMouseOver, FPictureMouseOver, FPictureCheckMouseOver);
  if (FOnMouseEnterEx) FOnMouseEnterEx(this);
}

void TVuxoButton::StateMouseLeave(GraphicControl* /*sender*/) {
  if (Enabled()) ShowState(FTxtColorNormal, FPictureNormal, FPictureCheckNormal);
  if (FOnMouseLeaveEx) FOnMouseLeaveEx(this);
}

void TVuxoButton::StateMouseDown(GraphicControl* /*sender*/, MouseButton button, ShiftState shift, int x, int y) {
  if (Enabled()) ShowState(FTxtColorMouseDown, FPictureMouseDown, FPictureCheckMouseDown);
  if (FOnMouseDownEx) FOnMouseDownEx(this, button, shift, x, y);
}

void TVuxoButton::StateMouseUp(GraphicControl* /*sender*/, MouseButton button, ShiftState shift, int x, int y) {
  if (Enabled()) ShowState(FTxtColorNormal, FPictureNormal, FPictureCheckNormal);
  if (FOnMouseUpEx) FOnMouseUpEx(this, button, shift, x, y);
}

void TVuxoButton::CMEnabledChanged() {
  if (Enabled()) {
    ShowState(FTxtColorNormal, FPictureNormal, FPictureCheckNormal);
  } else {
    ShowState(FTxtColorDisable, FPictureDisable, FPictureCheckDisable);
  }
}

Rect TVuxoButton::FaceRect() const {
  return FitPictureRect(FPicture.Width(), FPicture.Height(), Width(), Height(), FStretch, FProportional, FCenter);
}

bool TVuxoButton::AutoSizeQuery(int& new_width, int& new_height) {
  ProposePictureSize(Align(), FPicture, new_width, new_height);
  return true;
}

void TVuxoButton::FaceChanged() {
  if (AutoSize() && FPicture.Width() > 0 && FPicture.Height() > 0) {
    SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
  }
  if (Graphic* graphic = FPicture.GetGraphic()) {
    SetOpaque(ApplyTransparencyAndTestOpaque(*graphic, FTransparent, FaceRect(), Width(), Height()));
    if (RealizeFacePalette() && FDrawing) Update();
  } else {
    SetOpaque(false);
  }
  if (!FDrawing) Invalidate();
}

std::uintptr_t TVuxoButton::FacePalette() {
  Graphic* graphic = FPicture.GetGraphic();
  return graphic ? graphic->Palette() : 0;
}

bool TVuxoButton::RealizeFacePalette() {
  Graphic* graphic = FPicture.GetGraphic();
  if (!Visible() || !graphic || !graphic->PaletteModified()) return false;
  if (graphic->Palette() == 0) {
    graphic->SetPaletteModified(false);
    return false;
  }
  if (Host() && Host()->RealizePalette(FDrawing)) {
    graphic->SetPaletteModified(false);
    return true;
  }
  return false;
}

void TVuxoButton::FaceProgress(const PictureProgress& progress) {
  if (FIncrementalDisplay && progress.redraw_now) {
    if (RealizeFacePalette()) {
      Update();
    } else {
      Repaint();
    }
  }
  if (FOnProgress) FOnProgress(this, progress);
}

void TVuxoButton::PaintFace(vkr::Canvas& canvas) {
  if (!FPicture.HasGraphic() && FPictureNormal.HasGraphic()) FPicture.Assign(FPictureNormal);
  FlagRestorer drawing(FDrawing, true);
  if (const Graphic* graphic = FPicture.GetGraphic()) canvas.StretchDraw(FaceRect(), *graphic);
  if (!Caption().empty()) {
    canvas.SetBrush(BrushStyle::kClear, kWhite);
    canvas.SetFont(Font());
    Rect client = ClientRect();
    int y = static_cast<int>(RoundHalfEven((client.bottom - client.top - canvas.TextHeight(Caption())) / 2.0));
    canvas.DrawTextAt(FTxtOffsetWidth, y, Caption());
  }
}

vkr::Canvas* TVuxoButton::Canvas(std::u16string* error) {
  if (!FPicture.HasGraphic()) {
    std::unique_ptr<Graphic> bitmap = Sys().graphics ? Sys().graphics->CreateBitmap(Width(), Height()) : nullptr;
    if (!bitmap) {
      *error = u"Out of system resources";
      return nullptr;
    }
    FPicture.SetGraphic(std::move(bitmap));
  }
  Graphic* graphic = FPicture.GetGraphic();
  if (graphic->Kind() != GraphicKind::kBitmap || !graphic->BitmapCanvas()) {
    *error = kImageCanvasNeedsBitmap;
    return nullptr;
  }
  return graphic->BitmapCanvas();
}

bool TVuxoButton::SkinChange(const std::u16string& skin_path, std::u16string* error) {
  struct SkinFile {
    const char16_t* suffix;
    vkr::Picture* picture;
  };
  const std::u16string folder = IncludeTrailingBackslash(skin_path);
  const SkinFile unchecked[] = {{u"_normal.png", &FPictureNormal},
                                {u"_over.png", &FPictureMouseOver},
                                {u"_down.png", &FPictureMouseDown},
                                {u"_disable.png", &FPictureDisable}};
  const SkinFile checked[] = {{u"_normal.png", &FPictureCheckNormal},
                              {u"_over.png", &FPictureCheckMouseOver},
                              {u"_down.png", &FPictureCheckMouseDown},
                              {u"_disable.png", &FPictureCheckDisable}};
  auto load_set = [&](const std::u16string& name, const SkinFile(&files)[4]) {
    if (name.empty()) return true;
    for (const SkinFile& file : files) {
      std::u16string path = folder + name + file.suffix;
      if (!Sys().files->FileExists(path)) continue;
      if (!file.picture->LoadFromFile(path, error)) return false;
    }
    return true;
  };
  if (!load_set(FSkinName, unchecked) || !load_set(FSkinCheckName, checked)) return false;
  FPicture.Assign(FCheck ? FPictureCheckNormal : FPictureNormal);
  return true;
}

}  // namespace vkr
