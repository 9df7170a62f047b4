#include "controls/control_host.h"

#include <gtest/gtest.h>

#include <memory>

#include "controls/image_control.h"
#include "controls/label_control.h"
#include "fakes/fake_system.h"

namespace vkr {
namespace {

using testing::FakeCanvas;
using testing::FakeGraphic;
using testing::FakeSystem;

// A plain control that logs its events.
class LoggingControl : public GraphicControl {
 public:
  explicit LoggingControl(std::vector<std::string>* log, const std::string& name) {
    SetOnClick([=](GraphicControl*) { log->push_back(name + " click"); });
    SetOnDblClick([=](GraphicControl*) { log->push_back(name + " dblclick"); });
    SetOnMouseEnter([=](GraphicControl*) { log->push_back(name + " enter"); });
    SetOnMouseLeave([=](GraphicControl*) { log->push_back(name + " leave"); });
    SetOnMouseDown([=](GraphicControl*, MouseButton, ShiftState shift, int x, int y) {
      log->push_back(name + " down " + std::to_string(x) + "," + std::to_string(y) +
                     ((shift & kDoubleClick) ? " double" : ""));
    });
    SetOnMouseUp([=](GraphicControl*, MouseButton, ShiftState, int x, int y) {
      log->push_back(name + " up " + std::to_string(x) + "," + std::to_string(y));
    });
    SetOnMouseMove([=](GraphicControl*, ShiftState, int x, int y) {
      log->push_back(name + " move " + std::to_string(x) + "," + std::to_string(y));
    });
  }

 protected:
  void Paint(Canvas& canvas) override { canvas.FillRect(ClientRect(), 0x123456); }
};

TEST(ControlHostTest, AClickIsReportedBeforeTheMouseUpAndOnlyForALeftReleaseInside) {
  std::vector<std::string> log;
  ControlHost host;
  LoggingControl control(&log, "a");
  control.SetBounds(10, 10, 20, 20);
  host.Add(&control);

  host.MouseDown(MouseButton::kLeft, kLeftButton, Point{15, 15});
  host.MouseUp(MouseButton::kLeft, 0, Point{16, 17});
  EXPECT_EQ(log, (std::vector<std::string>{"a enter", "a down 5,5", "a click", "a up 6,7"}));

  log.clear();
  host.MouseDown(MouseButton::kLeft, kLeftButton, Point{15, 15});
  host.MouseMove(Point{50, 50}, kLeftButton);  // the capture keeps the moves coming
  host.MouseUp(MouseButton::kLeft, 0, Point{50, 50});
  EXPECT_EQ(log, (std::vector<std::string>{"a down 5,5", "a leave", "a move 40,40", "a up 40,40"}));

  log.clear();
  host.MouseDown(MouseButton::kRight, kRightButton, Point{15, 15});
  host.MouseUp(MouseButton::kRight, 0, Point{15, 15});
  EXPECT_EQ(log, (std::vector<std::string>{"a enter", "a down 5,5", "a up 5,5"}));
}

TEST(ControlHostTest, ADoubleClickReportsDblClickThenADoubleDownAndItsReleaseIsNoClick) {
  std::vector<std::string> log;
  ControlHost host;
  LoggingControl control(&log, "a");
  control.SetBounds(0, 0, 20, 20);
  host.Add(&control);
  host.MouseMove(Point{1, 1}, 0);
  host.MouseDown(MouseButton::kLeft, kLeftButton, Point{1, 1});
  host.MouseUp(MouseButton::kLeft, 0, Point{1, 1});
  host.MouseDoubleClick(MouseButton::kLeft, kLeftButton, Point{1, 1});
  host.MouseUp(MouseButton::kLeft, 0, Point{1, 1});
  EXPECT_EQ(log, (std::vector<std::string>{"a enter", "a move 1,1", "a down 1,1", "a click", "a up 1,1", "a dblclick",
                                           "a down 1,1 double", "a up 1,1"}));
}

TEST(ControlHostTest, TheTopmostEnabledControlTakesTheMouseAndHoverReachesDisabledOnes) {
  std::vector<std::string> log;
  ControlHost host;
  LoggingControl below(&log, "below");
  LoggingControl above(&log, "above");
  below.SetBounds(0, 0, 100, 100);
  above.SetBounds(10, 10, 20, 20);
  host.Add(&below);
  host.Add(&above);
  EXPECT_EQ(host.ControlAt(Point{15, 15}, false), &above);
  EXPECT_EQ(host.ControlAt(Point{5, 5}, false), &below);
  EXPECT_EQ(host.ControlAt(Point{200, 5}, false), nullptr);

  above.SetEnabled(false);
  EXPECT_EQ(host.ControlAt(Point{15, 15}, false), &below);
  EXPECT_EQ(host.ControlAt(Point{15, 15}, true), &above);
  host.MouseMove(Point{15, 15}, 0);
  EXPECT_EQ(host.HoverControl(), &above);
  EXPECT_TRUE(host.MouseDown(MouseButton::kLeft, kLeftButton, Point{15, 15}));
  EXPECT_EQ(log, (std::vector<std::string>{"above enter", "below move 15,15", "below down 15,15"}));

  above.SetVisible(false);
  EXPECT_EQ(host.ControlAt(Point{15, 15}, true), &below);
  EXPECT_EQ(host.HoverControl(), nullptr);
}

TEST(ControlHostTest, AHandlerThatDestroysItsControlEndsTheDispatch) {
  std::vector<std::string> log;
  ControlHost host;
  auto control = std::make_unique<LoggingControl>(&log, "a");
  control->SetBounds(0, 0, 10, 10);
  control->SetOnClick([&](GraphicControl*) { control.reset(); });
  host.Add(control.get());
  host.MouseDown(MouseButton::kLeft, kLeftButton, Point{1, 1});
  host.MouseUp(MouseButton::kLeft, 0, Point{1, 1});
  EXPECT_EQ(control, nullptr);
  EXPECT_TRUE(host.Controls().empty());
  EXPECT_EQ(log, (std::vector<std::string>{"a enter", "a down 1,1"}));
  host.MouseMove(Point{2, 2}, 0);  // nothing left to reach
  EXPECT_EQ(host.HoverControl(), nullptr);
}

TEST(ControlHostTest, PaintsVisibleControlsThatMeetTheDirtyAreaBottomToTop) {
  std::vector<std::string> log;
  ControlHost host;
  LoggingControl first(&log, "first"), second(&log, "second"), hidden(&log, "hidden"), far(&log, "far");
  first.SetBounds(0, 0, 10, 10);
  second.SetBounds(5, 5, 10, 10);
  hidden.SetBounds(0, 0, 10, 10);
  hidden.SetVisible(false);
  far.SetBounds(100, 100, 10, 10);
  for (GraphicControl* control : std::vector<GraphicControl*>{&first, &second, &hidden, &far}) host.Add(control);
  FakeCanvas canvas;
  host.Paint(canvas, Rect{0, 0, 50, 50});
  ASSERT_EQ(canvas.calls.size(), 2u);
  EXPECT_EQ(canvas.calls[0].viewport, (Rect{0, 0, 10, 10}));
  EXPECT_EQ(canvas.calls[1].viewport, (Rect{5, 5, 15, 15}));
  EXPECT_EQ(canvas.calls[1].rect, (Rect{0, 0, 10, 10}));
}

TEST(ControlHostTest, ResizeMovesRightAnchoredControlsAndStretchesDoublyAnchoredOnes) {
  std::vector<std::string> log;
  ControlHost host;
  LoggingControl right(&log, "r"), both(&log, "b"), plain(&log, "p");
  right.SetBounds(900, 2, 34, 26);
  right.SetAnchors(kAnchorTop | kAnchorRight);
  both.SetBounds(0, 100, 936, 11);
  both.SetAnchors(kAnchorLeft | kAnchorRight | kAnchorBottom);
  plain.SetBounds(7, 8, 9, 10);
  host.Add(&right);
  host.Add(&both);
  host.Add(&plain);
  host.Resize(936, 600, 1280, 700);
  EXPECT_EQ(right.BoundsRect(), (Rect{1244, 2, 1278, 28}));
  EXPECT_EQ(both.BoundsRect(), (Rect{0, 200, 1280, 211}));
  EXPECT_EQ(plain.BoundsRect(), (Rect{7, 8, 16, 18}));
}

TEST(ControlHostTest, ControlsReportTheirAreaForRepaintAndCursor) {
  ControlHost host;
  std::vector<Rect> invalidated;
  host.invalidate = [&](const Rect& rect) { invalidated.push_back(rect); };
  std::vector<std::string> log;
  LoggingControl control(&log, "a");
  control.SetBounds(1, 2, 3, 4);
  control.SetCursor(ControlCursor::kHand);
  host.Add(&control);
  control.SetBounds(10, 20, 3, 4);
  EXPECT_EQ(invalidated, (std::vector<Rect>{{1, 2, 4, 6}, {1, 2, 4, 6}, {10, 20, 13, 24}}));
  EXPECT_EQ(host.CursorAt(Point{11, 21}), ControlCursor::kHand);
  EXPECT_EQ(host.CursorAt(Point{0, 0}), ControlCursor::kDefault);
}

TEST(ControlHostTest, ShiftStateFromMouseKeys) {
  EXPECT_EQ(ShiftStateFromMouseKeys(0x0001, false), kLeftButton);
  EXPECT_EQ(ShiftStateFromMouseKeys(0x0001 | 0x0004, false), kLeftButton | kShiftKey);
  EXPECT_EQ(ShiftStateFromMouseKeys(0x0002 | 0x0008 | 0x0010, true), kRightButton | kCtrlKey | kMiddleButton | kAltKey);
  EXPECT_EQ(ShiftStateFromMouseKeys(0, false), 0u);
}

TEST(LabelControlTest, SizesItselfToItsTextWithinItsMaximumWidthAndClipsThere) {
  FakeSystem system;
  LabelControl label;
  Font font;
  font.name = u"微软雅黑";
  font.height = 20;
  label.SetFont(font);
  label.SetCaption(u"Loading");  // 7 characters of 10 pixels in the fake metrics
  EXPECT_EQ(label.Width(), 70);
  EXPECT_EQ(label.Height(), 20);
  label.SetConstraints(SizeConstraints{0, 0, 50, 0});
  EXPECT_EQ(label.Width(), 50);
  label.SetCaption(u"");
  EXPECT_EQ(label.Width(), 10);  // an empty caption measures as a space
  label.SetCaption(u"A title far longer than fifty pixels");
  label.SetTransparent(true);
  FakeCanvas canvas;
  label.PaintOn(canvas);
  ASSERT_EQ(canvas.calls.size(), 1u);
  EXPECT_EQ(canvas.calls[0].op, FakeCanvas::Op::kTextClipped);
  EXPECT_EQ(canvas.calls[0].rect, (Rect{0, 0, 50, 20}));
  EXPECT_EQ(canvas.calls[0].font, font);
}

TEST(LabelControlTest, AnOpaqueLabelFillsItsBackgroundFirst) {
  FakeSystem system;
  LabelControl label;
  label.SetBackgroundColor(528421);
  label.SetCaption(u"x");
  FakeCanvas canvas;
  label.PaintOn(canvas);
  ASSERT_EQ(canvas.calls.size(), 2u);
  EXPECT_EQ(canvas.calls[0].op, FakeCanvas::Op::kFillRect);
  EXPECT_EQ(canvas.calls[0].color, 528421u);
  EXPECT_EQ(canvas.calls[1].brush, BrushStyle::kClear);
  label.SetAutoSize(false);
  label.SetBounds(0, 0, 300, 40);
  EXPECT_EQ(label.Width(), 300);
}

TEST(ImageControlTest, DrawsItsPictureAtNaturalSizeOrStretched) {
  FakeSystem system;
  ImageControl image;
  image.SetBounds(0, 0, 26, 30);
  Picture picture;
  picture.SetGraphic(std::make_unique<FakeGraphic>(GraphicKind::kPng, 43, 42, "logo", true));
  image.SetPicture(picture);
  FakeCanvas canvas;
  image.PaintOn(canvas);
  ASSERT_EQ(canvas.calls.size(), 1u);
  EXPECT_EQ(canvas.calls[0].rect, (Rect{0, 0, 43, 42}));
  EXPECT_EQ(canvas.calls[0].graphic_label, "logo");
  image.SetStretch(true);
  canvas.calls.clear();
  image.PaintOn(canvas);
  EXPECT_EQ(canvas.calls[0].rect, (Rect{0, 0, 26, 30}));
  EXPECT_FALSE(image.Opaque());  // per-pixel alpha shows what lies below
  image.GetPicture().Clear();
  canvas.calls.clear();
  image.PaintOn(canvas);
  EXPECT_TRUE(canvas.calls.empty());
}

TEST(ImageControlTest, AutoSizeTakesThePictureSize) {
  FakeSystem system;
  ImageControl image;
  image.SetBounds(3, 4, 10, 10);
  image.SetAutoSize(true);
  Picture picture;
  picture.SetGraphic(std::make_unique<FakeGraphic>(GraphicKind::kJpeg, 888, 566, "skin"));
  image.SetPicture(picture);
  EXPECT_EQ(image.BoundsRect(), (Rect{3, 4, 891, 570}));
  EXPECT_TRUE(image.Opaque());
}

}  // namespace
}  // namespace vkr
