#include "controls/vuxo_button.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "controls/control_host.h"
#include "fakes/fake_system.h"

namespace vkr {
namespace {

using testing::FakeCanvas;
using testing::FakeGraphic;
using testing::FakeGraphics;
using testing::FakeSystem;

Picture Pic(const std::string& label, int width = 20, int height = 10, GraphicKind kind = GraphicKind::kPng,
            bool alpha = false) {
  Picture picture;
  picture.SetGraphic(std::make_unique<FakeGraphic>(kind, width, height, label, alpha));
  return picture;
}

std::string FaceLabel(const TVuxoButton& button) {
  auto* graphic = dynamic_cast<FakeGraphic*>(button.Picture().GetGraphic());
  return graphic ? graphic->label() : std::string("<empty>");
}

// The last face drawn by a paint of the button.
std::string PaintedFace(TVuxoButton& button) {
  FakeCanvas canvas;
  button.PaintOn(canvas);
  for (const auto& call : canvas.calls) {
    if (call.op == FakeCanvas::Op::kStretchDraw) return call.graphic_label;
  }
  return "<nothing>";
}

void GiveAllPictures(TVuxoButton& button) {
  button.SetPictureNormal(Pic("normal"));
  button.SetPictureMouseOver(Pic("over"));
  button.SetPictureMouseDown(Pic("down"));
  button.SetPictureDisable(Pic("disable"));
  button.SetPictureCheckNormal(Pic("check_normal"));
  button.SetPictureCheckMouseOver(Pic("check_over"));
  button.SetPictureCheckMouseDown(Pic("check_down"));
  button.SetPictureCheckDisable(Pic("check_disable"));
  button.SetTxtColorNormal(1);
  button.SetTxtColorMouseOver(2);
  button.SetTxtColorMouseDown(3);
  button.SetTxtColorDisable(4);
}

TEST(VuxoButtonTest, StartsAt80By28UncheckedEnabledVisibleWithoutPicturesOrText) {
  FakeSystem system;
  TVuxoButton button;
  EXPECT_EQ(button.Width(), 80);
  EXPECT_EQ(button.Height(), 28);
  EXPECT_EQ(button.TxtOffsetWidth(), 25);
  EXPECT_FALSE(button.Check());
  EXPECT_FALSE(button.Picture().HasGraphic());
  EXPECT_EQ(button.TxtColorNormal(), 0u);
  EXPECT_EQ(button.TxtColorMouseOver(), 0u);
  EXPECT_EQ(button.TxtColorMouseDown(), 0u);
  EXPECT_EQ(button.TxtColorDisable(), 0u);
  EXPECT_FALSE(button.Center() || button.Stretch() || button.Proportional() || button.Transparent() ||
               button.IncrementalDisplay() || button.AutoSize());
  EXPECT_TRUE(button.Enabled());
  EXPECT_TRUE(button.Visible());
  EXPECT_EQ(button.Align(), ControlAlign::kNone);
  EXPECT_EQ(button.Anchors(), kAnchorLeft | kAnchorTop);
  EXPECT_TRUE(button.SkinName().empty());
  EXPECT_TRUE(button.SkinCheckName().empty());
  EXPECT_TRUE(button.Caption().empty());
}

enum class Trigger { kEnter, kLeave, kDown, kUp, kEnable, kDisable };

struct StateRow {
  Trigger trigger;
  bool check;
  std::string face;
  Color color;
};

class VuxoButtonStateTest : public ::testing::TestWithParam<StateRow> {};

TEST_P(VuxoButtonStateTest, EachTriggerShowsItsPictureAndColour) {
  FakeSystem system;
  const StateRow& row = GetParam();
  TVuxoButton button;
  GiveAllPictures(button);
  button.SetCheck(row.check);
  if (row.trigger == Trigger::kEnable) button.SetEnabled(false);
  std::vector<std::string> events;
  button.SetOnMouseEnterEx([&](GraphicControl* sender) {
    EXPECT_EQ(sender, &button);
    events.push_back("enter");
  });
  button.SetOnMouseLeaveEx([&](GraphicControl*) { events.push_back("leave"); });
  button.SetOnMouseDownEx([&](GraphicControl*, MouseButton, ShiftState, int x, int y) {
    events.push_back("down " + std::to_string(x) + "," + std::to_string(y));
  });
  button.SetOnMouseUpEx([&](GraphicControl*, MouseButton, ShiftState, int x, int y) {
    events.push_back("up " + std::to_string(x) + "," + std::to_string(y));
  });

  std::string expected_event;
  switch (row.trigger) {
    case Trigger::kEnter:
      button.MouseEnter();
      expected_event = "enter";
      break;
    case Trigger::kLeave:
      button.MouseEnter();
      events.clear();
      button.MouseLeave();
      expected_event = "leave";
      break;
    case Trigger::kDown:
      button.MouseDown(MouseButton::kRight, 0, 3, 4);
      expected_event = "down 3,4";
      break;
    case Trigger::kUp:
      button.MouseDown(MouseButton::kRight, 0, 3, 4);
      events.clear();
      button.MouseUp(MouseButton::kRight, 0, 5, 6);
      expected_event = "up 5,6";
      break;
    case Trigger::kEnable:
      button.SetEnabled(true);
      break;
    case Trigger::kDisable:
      button.SetEnabled(false);
      break;
  }
  EXPECT_EQ(FaceLabel(button), row.face);
  EXPECT_EQ(button.Font().color, row.color);
  if (expected_event.empty()) {
    EXPECT_TRUE(events.empty());
  } else {
    EXPECT_EQ(events, std::vector<std::string>{expected_event});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, VuxoButtonStateTest,
    ::testing::Values(StateRow{Trigger::kEnter, false, "over", 2}, StateRow{Trigger::kEnter, true, "check_over", 2},
                      StateRow{Trigger::kLeave, false, "normal", 1}, StateRow{Trigger::kLeave, true, "check_normal", 1},
                      StateRow{Trigger::kDown, false, "down", 3}, StateRow{Trigger::kDown, true, "check_down", 3},
                      StateRow{Trigger::kUp, false, "normal", 1}, StateRow{Trigger::kUp, true, "check_normal", 1},
                      StateRow{Trigger::kEnable, false, "normal", 1},
                      StateRow{Trigger::kEnable, true, "check_normal", 1},
                      StateRow{Trigger::kDisable, false, "disable", 4},
                      StateRow{Trigger::kDisable, true, "check_disable", 4}));

// A button with only the normal and mouse-over pictures, driven through the host as a window
// would drive it.
TEST(VuxoButtonTest, WithoutADownPictureThePressKeepsTheFaceAndTheReleaseShowsNormal) {
  FakeSystem system;
  ControlHost host;
  TVuxoButton button;
  button.SetBounds(10, 10, 20, 10);
  button.SetPictureNormal(Pic("normal"));
  button.SetPictureMouseOver(Pic("over"));
  host.Add(&button);
  int clicks = 0;
  button.SetOnClick([&](GraphicControl*) { ++clicks; });

  host.MouseMove(Point{15, 15}, 0);
  EXPECT_EQ(FaceLabel(button), "over");
  host.MouseDown(MouseButton::kLeft, kLeftButton, Point{15, 15});
  EXPECT_EQ(FaceLabel(button), "over");
  host.MouseUp(MouseButton::kLeft, 0, Point{15, 15});
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(FaceLabel(button), "normal");
  host.MouseMove(Point{16, 15}, 0);
  EXPECT_EQ(FaceLabel(button), "normal");
  host.MouseMove(Point{50, 50}, 0);
  EXPECT_EQ(FaceLabel(button), "normal");
  host.MouseMove(Point{15, 15}, 0);
  EXPECT_EQ(FaceLabel(button), "over");
}

TEST(VuxoButtonTest, AClickThatFlipsCheckIsFollowedByTheNormalFaceOfTheNewSet) {
  FakeSystem system;
  ControlHost host;
  TVuxoButton button;
  button.SetBounds(0, 0, 20, 10);
  GiveAllPictures(button);
  host.Add(&button);
  button.SetOnClick([&](GraphicControl*) { button.SetCheck(!button.Check()); });
  host.MouseMove(Point{5, 5}, 0);
  host.MouseDown(MouseButton::kLeft, kLeftButton, Point{5, 5});
  EXPECT_EQ(FaceLabel(button), "down");
  host.MouseUp(MouseButton::kLeft, 0, Point{5, 5});
  EXPECT_TRUE(button.Check());
  EXPECT_EQ(FaceLabel(button), "check_normal");
}

TEST(VuxoButtonTest, CheckWithoutCheckPicturesEmptiesTheFaceAndPaintFallsBackToNormal) {
  FakeSystem system;
  TVuxoButton button;
  button.SetPictureNormal(Pic("normal"));
  button.SetPictureMouseOver(Pic("over"));
  button.SetCheck(true);
  EXPECT_FALSE(button.Picture().HasGraphic());
  button.MouseEnter();  // no check-over picture: the face stays empty
  EXPECT_FALSE(button.Picture().HasGraphic());
  EXPECT_EQ(PaintedFace(button), "normal");
  EXPECT_EQ(FaceLabel(button), "normal");
  button.SetCheck(false);
  EXPECT_EQ(FaceLabel(button), "normal");
}

TEST(VuxoButtonTest, ADisabledButtonWithoutDisablePictureKeepsItsFaceButTakesTheDisableColour) {
  FakeSystem system;
  TVuxoButton button;
  button.SetPictureNormal(Pic("normal"));
  button.SetPictureMouseOver(Pic("over"));
  button.SetTxtColorDisable(0x808080);
  button.MouseEnter();
  button.SetEnabled(false);
  EXPECT_EQ(FaceLabel(button), "over");
  EXPECT_EQ(button.Font().color, 0x808080u);
}

TEST(VuxoButtonTest, ADisabledButtonKeepsFaceAndColourButStillRaisesItsEvents) {
  FakeSystem system;
  TVuxoButton button;
  GiveAllPictures(button);
  button.SetEnabled(false);
  int enters = 0, leaves = 0, downs = 0, ups = 0;
  button.SetOnMouseEnterEx([&](GraphicControl*) { ++enters; });
  button.SetOnMouseLeaveEx([&](GraphicControl*) { ++leaves; });
  button.SetOnMouseDownEx([&](GraphicControl*, MouseButton, ShiftState, int, int) { ++downs; });
  button.SetOnMouseUpEx([&](GraphicControl*, MouseButton, ShiftState, int, int) { ++ups; });
  button.MouseEnter();
  button.MouseDown(MouseButton::kLeft, 0, 1, 1);
  button.MouseUp(MouseButton::kLeft, 0, 1, 1);
  button.MouseLeave();
  EXPECT_EQ(FaceLabel(button), "disable");
  EXPECT_EQ(button.Font().color, 4u);
  EXPECT_EQ(enters + leaves + downs + ups, 4);
}

TEST(VuxoButtonTest, TheHostReportsEnterAndLeaveToADisabledButton) {
  FakeSystem system;
  ControlHost host;
  TVuxoButton button;
  button.SetBounds(0, 0, 20, 10);
  host.Add(&button);
  button.SetEnabled(false);
  int enters = 0, downs = 0;
  button.SetOnMouseEnterEx([&](GraphicControl*) { ++enters; });
  button.SetOnMouseDownEx([&](GraphicControl*, MouseButton, ShiftState, int, int) { ++downs; });
  host.MouseMove(Point{5, 5}, 0);
  EXPECT_FALSE(host.MouseDown(MouseButton::kLeft, kLeftButton, Point{5, 5}));
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(downs, 0);
}

TEST(VuxoButtonTest, AutoSizeFollowsEachStateChangeAndKeepsLeftAndTop) {
  FakeSystem system;
  TVuxoButton button;
  button.SetBounds(100, 2, 80, 28);
  button.SetAutoSize(true);
  EXPECT_EQ(button.BoundsRect(), (Rect{100, 2, 100, 2}));  // an empty face proposes 0 x 0
  button.SetPictureNormal(Pic("normal", 28, 24));
  button.SetPictureMouseOver(Pic("over", 30, 26));
  button.SetPictureMouseDown(Pic("down", 32, 20));
  EXPECT_EQ(button.BoundsRect(), (Rect{100, 2, 128, 26}));
  button.MouseEnter();
  EXPECT_EQ(button.BoundsRect(), (Rect{100, 2, 130, 28}));
  button.MouseDown(MouseButton::kLeft, 0, 0, 0);
  EXPECT_EQ(button.BoundsRect(), (Rect{100, 2, 132, 22}));
  button.MouseUp(MouseButton::kLeft, 0, 0, 0);
  EXPECT_EQ(button.BoundsRect(), (Rect{100, 2, 128, 26}));
  // Any later SetBounds keeps the face's size.
  button.SetBounds(5, 6, 200, 200);
  EXPECT_EQ(button.BoundsRect(), (Rect{5, 6, 33, 30}));
}

TEST(VuxoButtonTest, AutoSizeKeepsTheAlignedDimension) {
  FakeSystem system;
  TVuxoButton button;
  button.SetPictureNormal(Pic("normal", 28, 24));
  button.SetAlign(ControlAlign::kTop);
  button.SetAutoSize(true);
  EXPECT_EQ(button.Width(), 80);
  EXPECT_EQ(button.Height(), 24);
  button.SetAlign(ControlAlign::kLeft);
  button.SetBounds(0, 0, 50, 50);
  EXPECT_EQ(button.Width(), 28);
  EXPECT_EQ(button.Height(), 50);
  button.SetAlign(ControlAlign::kClient);
  button.SetBounds(0, 0, 70, 70);
  EXPECT_EQ(button.BoundsRect(), (Rect{0, 0, 70, 70}));
}

struct FaceRectRow {
  int w, h, cw, ch;
  bool stretch, proportional, center;
  Rect expected;
};

class FaceRectTest : public ::testing::TestWithParam<FaceRectRow> {};

TEST_P(FaceRectTest, PlacesTheFace) {
  FakeSystem system;
  const FaceRectRow& row = GetParam();
  TVuxoButton button;
  button.SetBounds(0, 0, row.cw, row.ch);
  button.SetPicture(Pic("face", row.w, row.h));
  button.SetStretch(row.stretch);
  button.SetProportional(row.proportional);
  button.SetCenter(row.center);
  EXPECT_EQ(button.FaceRect(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, FaceRectTest,
                         ::testing::Values(
                             // natural size from the top-left corner, also when larger than the button
                             FaceRectRow{20, 10, 30, 30, false, false, false, {0, 0, 20, 10}},
                             FaceRectRow{50, 40, 30, 30, false, false, false, {0, 0, 50, 40}},
                             // stretch fills the client area
                             FaceRectRow{20, 10, 30, 30, true, false, false, {0, 0, 30, 30}},
                             FaceRectRow{20, 10, 30, 30, true, false, true, {0, 0, 30, 30}},
                             // proportional alone shrinks only faces that do not fit
                             FaceRectRow{20, 10, 30, 30, false, true, false, {0, 0, 20, 10}},
                             FaceRectRow{60, 24, 30, 30, false, true, false, {0, 0, 30, 12}},
                             FaceRectRow{60, 24, 30, 30, false, true, true, {0, 9, 30, 21}},
                             // proportional with stretch also grows small faces; a tall face keeps the height
                             FaceRectRow{20, 10, 30, 30, true, true, false, {0, 0, 30, 15}},
                             FaceRectRow{10, 40, 30, 30, false, true, false, {0, 0, 7, 30}},
                             FaceRectRow{40, 40, 30, 20, false, true, false, {0, 0, 20, 20}},
                             // wide face limited by the height after the width: 40 x 30 into 60 x 20
                             FaceRectRow{40, 30, 60, 20, true, true, false, {0, 0, 26, 20}},
                             // tall face limited by the width after the height: 30 x 40 into 20 x 60
                             FaceRectRow{30, 40, 20, 60, true, true, false, {0, 0, 20, 26}},
                             // centring shifts with division truncating towards zero
                             FaceRectRow{20, 10, 30, 30, false, false, true, {5, 10, 25, 20}},
                             FaceRectRow{51, 51, 30, 30, false, false, true, {-10, -10, 41, 41}},
                             FaceRectRow{21, 11, 30, 30, false, false, true, {4, 9, 25, 20}}));

TEST(VuxoButtonTest, FaceRectOfAnEmptyFaceIsEmptyOrTheClientArea) {
  FakeSystem system;
  TVuxoButton button;
  EXPECT_EQ(button.FaceRect(), (Rect{0, 0, 0, 0}));
  button.SetStretch(true);
  EXPECT_EQ(button.FaceRect(), (Rect{0, 0, 80, 28}));
}

TEST(VuxoButtonTest, IsOpaqueOnlyWhenAnOpaqueFaceCoversTheWholeButton) {
  FakeSystem system;
  TVuxoButton button;
  button.SetBounds(0, 0, 30, 30);
  EXPECT_FALSE(button.Opaque());
  button.SetPicture(Pic("jpeg", 30, 30, GraphicKind::kJpeg));
  EXPECT_TRUE(button.Opaque());
  button.SetTransparent(true);
  EXPECT_FALSE(button.Opaque());
  EXPECT_TRUE(button.Picture().GetGraphic()->Transparent());
  button.SetTransparent(false);
  EXPECT_TRUE(button.Opaque());
  button.SetPicture(Pic("small", 20, 30, GraphicKind::kJpeg));
  EXPECT_FALSE(button.Opaque());
  button.SetStretch(true);
  EXPECT_TRUE(button.Opaque());
  button.SetPicture(Pic("alpha", 30, 30, GraphicKind::kPng, true));
  EXPECT_FALSE(button.Opaque());
  button.SetPicture(Picture());
  EXPECT_FALSE(button.Opaque());
}

TEST(VuxoButtonTest, TransparentIsNotWrittenIntoIconsOrMetafiles) {
  FakeSystem system;
  TVuxoButton button;
  button.SetTransparent(true);
  button.SetPicture(Pic("icon", 16, 16, GraphicKind::kIcon));
  EXPECT_FALSE(button.Picture().GetGraphic()->Transparent());
  button.SetPicture(Pic("png", 16, 16, GraphicKind::kPng));
  EXPECT_TRUE(button.Picture().GetGraphic()->Transparent());
}

TEST(VuxoButtonTest, FaceChangesRequestARepaintExceptWhilePainting) {
  FakeSystem system;
  ControlHost host;
  std::vector<Rect> invalidated;
  host.invalidate = [&](const Rect& rect) { invalidated.push_back(rect); };
  TVuxoButton button;
  button.SetBounds(4, 5, 20, 10);
  button.SetPictureNormal(Pic("normal"));
  host.Add(&button);
  invalidated.clear();
  button.SetPicture(Pic("other"));
  EXPECT_EQ(invalidated, std::vector<Rect>{(Rect{4, 5, 24, 15})});
  invalidated.clear();
  button.SetCenter(true);
  button.SetCenter(true);  // no change, no repaint
  EXPECT_EQ(invalidated.size(), 1u);

  // Painting with an empty face copies the normal picture in; that change requests one repaint
  // (it happens before the drawing flag is set), and nothing during the drawing itself.
  button.SetCheck(true);
  invalidated.clear();
  FakeCanvas canvas;
  button.PaintOn(canvas);
  EXPECT_EQ(invalidated.size(), 1u);
  EXPECT_EQ(FaceLabel(button), "normal");
}

TEST(VuxoButtonTest, PaintsTheFaceThenTheCaptionAtTheOffset) {
  FakeSystem system;
  TVuxoButton button;
  button.SetBounds(7, 8, 60, 28);
  button.SetPictureNormal(Pic("normal", 60, 28));
  button.SetCaption(u"OK");
  button.SetTxtColorNormal(0x00FF00);
  FakeCanvas canvas;
  canvas.text_height = 13;
  button.PaintOn(canvas);
  ASSERT_EQ(canvas.calls.size(), 2u);
  EXPECT_EQ(canvas.calls[0].op, FakeCanvas::Op::kStretchDraw);
  EXPECT_EQ(canvas.calls[0].rect, (Rect{0, 0, 60, 28}));
  EXPECT_EQ(canvas.calls[0].viewport, (Rect{7, 8, 67, 36}));
  EXPECT_EQ(canvas.calls[1].op, FakeCanvas::Op::kText);
  EXPECT_EQ(canvas.calls[1].text, u"OK");
  EXPECT_EQ(canvas.calls[1].at, (Point{25, 8}));  // (28 - 13) / 2 = 7.5 rounds to 8
  EXPECT_EQ(canvas.calls[1].brush, BrushStyle::kClear);
  EXPECT_EQ(canvas.calls[1].font.color, 0x00FF00u);
  button.SetTxtOffsetWidth(3);
  canvas.calls.clear();
  button.PaintOn(canvas);
  EXPECT_EQ(canvas.calls[1].at.x, 3);
}

TEST(VuxoButtonTest, CaptionIsCentredVerticallyWithHalvesToTheEvenNeighbour) {
  FakeSystem system;
  struct Row {
    int height, text_height, y;
  } rows[] = {{28, 13, 8}, {28, 11, 8}, {28, 14, 7}, {28, 15, 6}, {28, 17, 6}, {10, 13, -2}, {10, 15, -2}};
  for (const Row& row : rows) {
    TVuxoButton button;
    button.SetBounds(0, 0, 80, row.height);
    button.SetCaption(u"A long caption is still drawn at the offset");
    FakeCanvas canvas;
    canvas.text_height = row.text_height;
    button.PaintOn(canvas);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].at, (Point{25, row.y})) << row.height << " " << row.text_height;
  }
}

TEST(VuxoButtonTest, WithoutCaptionOrFaceNothingIsDrawn) {
  FakeSystem system;
  TVuxoButton button;
  FakeCanvas canvas;
  button.PaintOn(canvas);
  EXPECT_TRUE(canvas.calls.empty());
}

TEST(VuxoButtonTest, PictureWritesCopyAndNeverShare) {
  FakeSystem system;
  TVuxoButton button;
  Picture source = Pic("first");
  button.SetPictureNormal(source);
  source.SetGraphic(std::make_unique<FakeGraphic>(GraphicKind::kPng, 5, 5, "second"));
  EXPECT_EQ(FaceLabel(button), "first");
  EXPECT_NE(button.Picture().GetGraphic(), button.PictureNormal().GetGraphic());
  button.SetPicture(Pic("face only"));
  EXPECT_EQ(FaceLabel(button), "face only");
  EXPECT_EQ(dynamic_cast<FakeGraphic*>(button.PictureNormal().GetGraphic())->label(), "first");
}

TEST(VuxoButtonTest, SkinChangeLoadsThePresentFilesAndResetsTheFace) {
  FakeSystem system;
  system.files.PutFile(u"C:\\skin\\btn_normal.png", FakeGraphics::Encode(GraphicKind::kPng, 10, 10, "file_normal"));
  system.files.PutFile(u"C:\\skin\\btn_over.png", FakeGraphics::Encode(GraphicKind::kPng, 10, 10, "file_over"));
  system.files.PutFile(u"C:\\skin\\chk_normal.png", FakeGraphics::Encode(GraphicKind::kPng, 10, 10, "file_chk"));
  TVuxoButton button;
  button.SetPictureMouseDown(Pic("kept_down"));
  button.SetPictureCheckMouseOver(Pic("kept_check_over"));
  button.SetSkinName(u"btn");
  button.SetSkinCheckName(u"chk");
  EXPECT_FALSE(button.Picture().HasGraphic());  // writing the names loads nothing
  std::u16string error;
  ASSERT_TRUE(button.SkinChange(u"C:\\skin", &error)) << ToUtf8(error);
  auto label = [](const Picture& p) { return dynamic_cast<FakeGraphic*>(p.GetGraphic())->label(); };
  EXPECT_EQ(label(button.PictureNormal()), "file_normal");
  EXPECT_EQ(label(button.PictureMouseOver()), "file_over");
  EXPECT_EQ(label(button.PictureMouseDown()), "kept_down");
  EXPECT_FALSE(button.PictureDisable().HasGraphic());
  EXPECT_EQ(label(button.PictureCheckNormal()), "file_chk");
  EXPECT_EQ(label(button.PictureCheckMouseOver()), "kept_check_over");
  EXPECT_EQ(FaceLabel(button), "file_normal");

  button.SetCheck(true);
  button.SetPicture(Pic("something else"));
  ASSERT_TRUE(button.SkinChange(u"C:\\skin\\", &error));
  EXPECT_EQ(FaceLabel(button), "file_chk");
}

TEST(VuxoButtonTest, SkinChangeWithoutNamesOnlyResetsTheFace) {
  FakeSystem system;
  TVuxoButton button;
  button.SetPictureNormal(Pic("normal"));
  button.SetPicture(Pic("other"));
  std::u16string error;
  ASSERT_TRUE(button.SkinChange(u"C:\\nowhere", &error));
  EXPECT_EQ(FaceLabel(button), "normal");
  EXPECT_EQ(system.graphics.decodes, 0);
}

TEST(VuxoButtonTest, SkinChangeStopsAtAnUndecodableFile) {
  FakeSystem system;
  system.files.PutFile(u"C:\\skin\\btn_normal.png", FakeGraphics::Encode(GraphicKind::kPng, 10, 10, "file_normal"));
  system.files.PutFile(u"C:\\skin\\btn_over.png", "not a picture");
  system.files.PutFile(u"C:\\skin\\btn_down.png", FakeGraphics::Encode(GraphicKind::kPng, 10, 10, "file_down"));
  TVuxoButton button;
  button.SetPictureMouseOver(Pic("old_over"));
  button.SetPicture(Pic("face"));
  button.SetSkinName(u"btn");
  std::u16string error;
  EXPECT_FALSE(button.SkinChange(u"C:\\skin", &error));
  EXPECT_FALSE(error.empty());
  auto label = [](const Picture& p) { return dynamic_cast<FakeGraphic*>(p.GetGraphic())->label(); };
  EXPECT_EQ(label(button.PictureNormal()), "file_normal");
  EXPECT_EQ(label(button.PictureMouseOver()), "old_over");
  EXPECT_FALSE(button.PictureMouseDown().HasGraphic());
  EXPECT_EQ(FaceLabel(button), "face");
}

TEST(VuxoButtonTest, CanvasGivesAButtonSizedBitmapForAnEmptyFace) {
  FakeSystem system;
  TVuxoButton button;
  button.SetBounds(0, 0, 40, 20);
  std::u16string error;
  Canvas* canvas = button.Canvas(&error);
  ASSERT_NE(canvas, nullptr);
  ASSERT_TRUE(button.Picture().HasGraphic());
  EXPECT_EQ(button.Picture().GetGraphic()->Kind(), GraphicKind::kBitmap);
  EXPECT_EQ(button.Picture().Width(), 40);
  EXPECT_EQ(button.Picture().Height(), 20);
  EXPECT_EQ(button.Canvas(&error), canvas);  // the same bitmap's canvas again
  EXPECT_EQ(system.graphics.bitmaps_created, 1);
}

TEST(VuxoButtonTest, CanvasOfANonBitmapFaceIsAnError) {
  FakeSystem system;
  TVuxoButton button;
  button.SetPicture(Pic("png", 10, 10, GraphicKind::kPng));
  std::u16string error;
  EXPECT_EQ(button.Canvas(&error), nullptr);
  EXPECT_EQ(error, u"Can only modify an image if it contains a bitmap");
}

TEST(VuxoButtonTest, TxtColorNormalIsWrittenIntoTheFont) {
  FakeSystem system;
  TVuxoButton button;
  button.SetTxtColorMouseOver(0x112233);
  EXPECT_EQ(button.Font().color, 0u);
  button.SetTxtColorNormal(0x445566);
  EXPECT_EQ(button.Font().color, 0x445566u);
}

TEST(VuxoButtonTest, AModifiedPaletteIsRealisedThroughTheForm) {
  FakeSystem system;
  ControlHost host;
  std::vector<bool> requests;
  bool form_active = false;
  host.realize_palette = [&](bool immediate) {
    requests.push_back(immediate);
    return form_active;
  };
  TVuxoButton button;
  host.Add(&button);
  auto make = [](std::uintptr_t palette) {
    auto graphic = std::make_unique<FakeGraphic>(GraphicKind::kBitmap, 8, 8, "pal");
    graphic->palette = palette;
    graphic->SetPaletteModified(true);
    Picture picture;
    picture.SetGraphic(std::move(graphic));
    return picture;
  };
  button.SetPicture(make(0));
  EXPECT_TRUE(requests.empty());
  EXPECT_FALSE(button.Picture().GetGraphic()->PaletteModified());  // no palette: flag cleared

  button.SetPicture(make(0x1234));
  EXPECT_EQ(requests, std::vector<bool>{false});
  EXPECT_TRUE(button.Picture().GetGraphic()->PaletteModified());  // the form refused: flag stays
  form_active = true;
  button.SetStretch(true);
  EXPECT_EQ(requests, (std::vector<bool>{false, false}));
  EXPECT_FALSE(button.Picture().GetGraphic()->PaletteModified());
}

TEST(VuxoButtonTest, ProgressRepaintsWithIncrementalDisplayAndIsPassedOn) {
  FakeSystem system;
  ControlHost host;
  int updates = 0;
  host.update = [&] { ++updates; };
  TVuxoButton button;
  host.Add(&button);
  std::vector<int> percents;
  button.SetOnProgress([&](GraphicControl* sender, const PictureProgress& progress) {
    EXPECT_EQ(sender, &button);
    percents.push_back(progress.percent_done);
  });
  PictureProgress progress;
  progress.redraw_now = true;
  progress.percent_done = 40;
  // The face is the button's own picture; a progressive graphic would report through it.
  button.Picture().Progress(progress);
  EXPECT_EQ(updates, 0);
  button.SetIncrementalDisplay(true);
  progress.percent_done = 80;
  button.Picture().Progress(progress);
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(percents, (std::vector<int>{40, 80}));
}

}  // namespace
}  // namespace vkr
