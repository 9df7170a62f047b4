#include "ui/form.h"

#include <gtest/gtest.h>

#include "controls/label_control.h"
#include "fakes/fake_system.h"
#include "form_test_support.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

using testing::FakeSystem;
using testing::MousePoint;

TEST(PointFromLParamTest, SignedCoordinates) {
  EXPECT_EQ(PointFromLParam(MousePoint(10, 20)), (Point{10, 20}));
  EXPECT_EQ(PointFromLParam(MousePoint(-5, 7)), (Point{-5, 7}));
  EXPECT_EQ(PointFromLParam(MousePoint(3, -2)), (Point{3, -2}));
  EXPECT_EQ(PointFromLParam(MousePoint(32767, -32768)), (Point{32767, -32768}));
}

// A form with one label anchored to the right edge.
class OneLabelForm : public TForm {
 public:
  OneLabelForm() {
    WindowSpec window_spec;
    window_spec.bounds = Rect{0, 0, 300, 200};
    CreateHandle(window_spec);
    label.SetAutoSize(false);
    label.SetBounds(250, 10, 40, 20);
    label.SetAnchors(kAnchorTop | kAnchorRight);
    label.SetOnClick([this](GraphicControl*) { ++clicks; });
    Controls().Add(&label);
  }
  LabelControl label;
  int clicks = 0;

 protected:
  std::optional<std::intptr_t> WndProc(const WindowMessage&) override { return std::nullopt; }
};

TEST(FormTest, PressOverAControlTakesTheCaptureUntilTheRelease) {
  FakeSystem system;
  OneLabelForm form;
  system.windows.Dispatch(form.Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, MousePoint(260, 15));
  EXPECT_EQ(system.windows.capture, form.Handle());
  system.windows.Dispatch(form.Handle(), win::WM_LBUTTONUP, 0, MousePoint(260, 15));
  EXPECT_EQ(system.windows.capture, kNoWindow);
  EXPECT_EQ(form.clicks, 1);
  // A press on no control takes nothing.
  system.windows.Dispatch(form.Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, MousePoint(20, 150));
  EXPECT_EQ(system.windows.capture, kNoWindow);
}

TEST(FormTest, ControlsFollowTheirAnchorsButNotAMinimise) {
  FakeSystem system;
  OneLabelForm form;
  system.windows.SetBounds(form.Handle(), Rect{0, 0, 500, 200});
  EXPECT_EQ(form.label.Left(), 450);
  // SIZE_MINIMIZED reports no client area worth following.
  system.windows.Dispatch(form.Handle(), win::WM_SIZE, 1, MousePoint(0, 0));
  EXPECT_EQ(form.label.Left(), 450);
}

}  // namespace
}  // namespace vkr
