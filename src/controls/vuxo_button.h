// TVuxoButton: the windowless picture button of both windows. It shows one of eight state
// pictures (normal, mouse over, mouse down, disabled; each unchecked and checked) as its face,
// following the mouse and the enabled flag, with an optional caption drawn over the face in a
// state colour. Check switches between the two picture sets.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controls/graphic_control.h"
#include "controls/picture.h"
#include "platform/canvas.h"

namespace vkr {

using ProgressEvent = std::function<void(GraphicControl* sender, const PictureProgress& progress)>;

// The error of the Canvas property when the face holds something other than a bitmap.
inline constexpr char16_t kImageCanvasNeedsBitmap[] = u"Can only modify an image if it contains a bitmap";

class TVuxoButton : public GraphicControl {
 public:
  // Text offset 25, 80 x 28; no check, black text colours, every flag false, no skin names.
  TVuxoButton();
  ~TVuxoButton() override;

  // The face: the picture drawn now. Writing copies into the face; changing the face's content
  // in place runs FaceChanged as well.
  const vkr::Picture& Picture() const { return FPicture; }
  vkr::Picture& Picture() { return FPicture; }
  void SetPicture(const vkr::Picture& picture);
  bool Check() const { return FCheck; }
  // The face becomes a copy of the normal picture of the chosen set, even when it is empty.
  void SetCheck(bool value);

  const vkr::Picture& PictureNormal() const { return FPictureNormal; }
  // Copied into the normal picture and into the face.
  void SetPictureNormal(const vkr::Picture& picture);
  // The other seven are copied into their own field only.
  const vkr::Picture& PictureMouseOver() const { return FPictureMouseOver; }
  void SetPictureMouseOver(const vkr::Picture& picture) { FPictureMouseOver.Assign(picture); }
  const vkr::Picture& PictureMouseDown() const { return FPictureMouseDown; }
  void SetPictureMouseDown(const vkr::Picture& picture) { FPictureMouseDown.Assign(picture); }
  const vkr::Picture& PictureDisable() const { return FPictureDisable; }
  void SetPictureDisable(const vkr::Picture& picture) { FPictureDisable.Assign(picture); }
  const vkr::Picture& PictureCheckNormal() const { return FPictureCheckNormal; }
  void SetPictureCheckNormal(const vkr::Picture& picture) { FPictureCheckNormal.Assign(picture); }
  const vkr::Picture& PictureCheckMouseOver() const { return FPictureCheckMouseOver; }
  void SetPictureCheckMouseOver(const vkr::Picture& picture) { FPictureCheckMouseOver.Assign(picture); }
  const vkr::Picture& PictureCheckMouseDown() const { return FPictureCheckMouseDown; }
  void SetPictureCheckMouseDown(const vkr::Picture& picture) { FPictureCheckMouseDown.Assign(picture); }
  const vkr::Picture& PictureCheckDisable() const { return FPictureCheckDisable; }
  void SetPictureCheckDisable(const vkr::Picture& picture) { FPictureCheckDisable.Assign(picture); }

  // Each runs FaceChanged when the value changes.
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Proportional() const { return FProportional; }
  void SetProportional(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool IncrementalDisplay() const { return FIncrementalDisplay; }
  void SetIncrementalDisplay(bool value) { FIncrementalDisplay = value; }

  // The normal colour is also written into the control's font.
  Color TxtColorNormal() const { return FTxtColorNormal; }
  void SetTxtColorNormal(Color color);
  Color TxtColorMouseOver() const { return FTxtColorMouseOver; }
  void SetTxtColorMouseOver(Color color) { FTxtColorMouseOver = color; }
  Color TxtColorMouseDown() const { return FTxtColorMouseDown; }
  void SetTxtColorMouseDown(Color color) { FTxtColorMouseDown = color; }
  Color TxtColorDisable() const { return FTxtColorDisable; }
  void SetTxtColorDisable(Color color) { FTxtColorDisable = color; }
  // The caption's x position; writing repaints.
  std::int32_t TxtOffsetWidth() const { return FTxtOffsetWidth; }
  void SetTxtOffsetWidth(std::int32_t value);

  // Base names of the skin files; stored only, SkinChange loads them.
  const std::u16string& SkinName() const { return FSkinName; }
  void SetSkinName(const std::u16string& name) { FSkinName = name; }
  const std::u16string& SkinCheckName() const { return FSkinCheckName; }
  void SetSkinCheckName(const std::u16string& name) { FSkinCheckName = name; }

  // Raised after the state change, enabled or not.
  void SetOnMouseDownEx(MouseEvent handler) { FOnMouseDownEx = std::move(handler); }
  void SetOnMouseUpEx(MouseEvent handler) { FOnMouseUpEx = std::move(handler); }
  void SetOnMouseEnterEx(NotifyEvent handler) { FOnMouseEnterEx = std::move(handler); }
  void SetOnMouseLeaveEx(NotifyEvent handler) { FOnMouseLeaveEx = std::move(handler); }
  void SetOnProgress(ProgressEvent handler) { FOnProgress = std::move(handler); }

  // The face bitmap's canvas. An empty face first gets a bitmap of the button's size. nullptr
  // with kImageCanvasNeedsBitmap in *error when the face holds another kind of graphic.
  vkr::Canvas* Canvas(std::u16string* error);

  // Loads the state pictures from "<SkinPath>\<SkinName>_normal.png", "_over.png", "_down.png",
  // "_disable.png" (and the same with SkinCheckName for the check set); a missing file leaves its
  // picture as it was. Then the face := the normal picture of the current set. A file that exists
  // but cannot be decoded ends the load: false with the reason in *error, the pictures loaded
  // before it keep their new content, that one its old, and the face is not reset.
  bool SkinChange(const std::u16string& skin_path, std::u16string* error);

  // Where the face is drawn, in control coordinates.
  Rect FaceRect() const;

 protected:
  bool AutoSizeQuery(int& new_width, int& new_height) override;
  void Paint(vkr::Canvas& canvas) override { PaintFace(canvas); }
  void PaintFace(vkr::Canvas& canvas);
  std::uintptr_t GetPalette() override { return FacePalette(); }
  std::uintptr_t FacePalette();
  virtual void FaceProgress(const PictureProgress& progress);
  void CMEnabledChanged() override;

 private:
  // The base control's own mouse events belong to the button's state handlers.
  using GraphicControl::SetOnMouseDown;
  using GraphicControl::SetOnMouseEnter;
  using GraphicControl::SetOnMouseLeave;
  using GraphicControl::SetOnMouseUp;

  void StateMouseEnter(GraphicControl* sender);
  void StateMouseLeave(GraphicControl* sender);
  void StateMouseDown(GraphicControl* sender, MouseButton button, ShiftState shift, int x, int y);
  void StateMouseUp(GraphicControl* sender, MouseButton button, ShiftState shift, int x, int y);
  // Sets the text colour, and the face when the chosen picture holds a graphic.
  void ShowState(Color color, const vkr::Picture& unchecked, const vkr::Picture& checked);
  void FaceChanged();
  bool RealizeFacePalette();

  vkr::Picture FPicture;
  bool FCheck = false;
  vkr::Picture FPictureNormal;
  vkr::Picture FPictureMouseOver;
  vkr::Picture FPictureMouseDown;
  vkr::Picture FPictureDisable;
  vkr::Picture FPictureCheckNormal;
  vkr::Picture FPictureCheckMouseOver;
  vkr::Picture FPictureCheckMouseDown;
  vkr::Picture FPictureCheckDisable;
  Color FTxtColorNormal = kBlack;
  Color FTxtColorMouseOver = kBlack;
  Color FTxtColorMouseDown = kBlack;
  Color FTxtColorDisable = kBlack;
  std::int32_t FTxtOffsetWidth = 0;
  MouseEvent FOnMouseDownEx;
  MouseEvent FOnMouseUpEx;
  NotifyEvent FOnMouseEnterEx;
  NotifyEvent FOnMouseLeaveEx;
  ProgressEvent FOnProgress;
  bool FStretch = false;
  bool FCenter = false;
  bool FIncrementalDisplay = false;
  bool FTransparent = false;
  bool FDrawing = false;
  bool FProportional = false;
  std::u16string FSkinName;
  std::u16string FSkinCheckName;
};

}  // namespace vkr
