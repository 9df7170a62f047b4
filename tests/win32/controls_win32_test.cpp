// The button painted by its host through the real canvas: the face lands at the button's place
// with its alpha, and the caption at the text offset.
#include <gtest/gtest.h>

#include "controls/control_host.h"
#include "controls/vuxo_button.h"
#include "platform/system.h"
#include "platform/win32/canvas_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/wide.h"
#include "win32/picture_fixtures.h"

namespace vkr::win32 {
namespace {

// Installs the Win32 graphics and files for one test.
class ScopedGraphics {
 public:
  ScopedGraphics() : previous_(Sys()) {
    System system = previous_;
    system.graphics = &graphics_;
    system.files = &files_;
    InstallSystem(system);
  }
  ~ScopedGraphics() { InstallSystem(previous_); }
  ScopedGraphics(const ScopedGraphics&) = delete;
  ScopedGraphics& operator=(const ScopedGraphics&) = delete;
  Win32Graphics& graphics() { return graphics_; }

 private:
  Win32Graphics graphics_;
  Win32Files files_;
  System previous_;
};

std::uint32_t Rgb(const DibGraphic& dib, int x, int y) { return dib.PixelAt(x, y) & 0xFFFFFFu; }

TEST(ControlsWin32Test, TheHostPaintsTheButtonFaceInPlaceWithItsAlpha) {
  ScopedGraphics scoped;
  Picture normal;
  std::u16string error;
  ASSERT_TRUE(normal.LoadFromBytes(
      GraphicKind::kPng,
      std::string(reinterpret_cast<const char*>(testing::kPng4x3Alpha), sizeof(testing::kPng4x3Alpha)), &error));
  ControlHost host;
  TVuxoButton button;
  button.SetBounds(2, 1, 80, 28);
  button.SetAutoSize(true);
  button.SetPictureNormal(normal);
  host.Add(&button);
  EXPECT_EQ(button.BoundsRect(), (Rect{2, 1, 6, 4}));

  auto surface = scoped.graphics().CreateBitmap(10, 6);
  ASSERT_NE(surface, nullptr);
  Canvas* canvas = surface->BitmapCanvas();
  canvas->FillRect(Rect{0, 0, 10, 6}, kWhite);
  host.Paint(*canvas, Rect{0, 0, 10, 6});
  const auto& dib = *dynamic_cast<DibGraphic*>(surface.get());
  EXPECT_EQ(Rgb(dib, 1, 1), 0xFFFFFFu);
  EXPECT_EQ(Rgb(dib, 2, 1), 0xFF0000u);  // the red corner of the face
  EXPECT_EQ(Rgb(dib, 4, 1), 0xFFFFFFu);  // its transparent pixel shows the surface
  EXPECT_EQ(Rgb(dib, 5, 1), 0x0000FFu);
  EXPECT_EQ(Rgb(dib, 6, 1), 0xFFFFFFu);  // right of the button
}

TEST(ControlsWin32Test, TheCaptionIsDrawnFromTheTextOffsetOnly) {
  ScopedGraphics scoped;
  ControlHost host;
  TVuxoButton button;
  button.SetBounds(0, 0, 60, 28);
  button.SetCaption(u"MMMMMMMM");
  button.SetTxtOffsetWidth(30);
  host.Add(&button);
  auto surface = scoped.graphics().CreateBitmap(60, 28);
  Canvas* canvas = surface->BitmapCanvas();
  canvas->FillRect(Rect{0, 0, 60, 28}, kWhite);
  host.Paint(*canvas, Rect{0, 0, 60, 28});
  const auto& dib = *dynamic_cast<DibGraphic*>(surface.get());
  int dark_left = 0, dark_right = 0, top = 28, bottom = -1;
  for (int y = 0; y < 28; ++y) {
    for (int x = 0; x < 60; ++x) {
      if (Rgb(dib, x, y) == 0xFFFFFFu) continue;
      (x < 30 ? dark_left : dark_right)++;
      if (y < top) top = y;
      if (y > bottom) bottom = y;
    }
  }
  EXPECT_EQ(dark_left, 0);
  EXPECT_GT(dark_right, 0);
  // Vertically about the middle of the 28-pixel button.
  EXPECT_GT(top, 2);
  EXPECT_LT(bottom, 25);
}

TEST(ControlsWin32Test, CanvasOfAnEmptyFaceIsARealBitmapToDrawOn) {
  ScopedGraphics scoped;
  TVuxoButton button;
  button.SetBounds(0, 0, 8, 8);
  std::u16string error;
  Canvas* canvas = button.Canvas(&error);
  ASSERT_NE(canvas, nullptr);
  canvas->FillRect(Rect{0, 0, 8, 8}, RgbColor(1, 2, 3));
  auto* face = dynamic_cast<DibGraphic*>(button.Picture().GetGraphic());
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->PixelAt(4, 4) & 0xFFFFFFu, 0x010203u);
}

TEST(ControlsWin32Test, SkinChangeLoadsTheSkinFilesFromDisk) {
  ScopedGraphics scoped;
  wchar_t temp[MAX_PATH + 1];
  ASSERT_GT(::GetTempPathW(MAX_PATH + 1, temp), 0u);
  std::u16string folder = FromWide(temp) + u"vkr_skin_test";
  ::CreateDirectoryW(Wide(folder), nullptr);
  const std::u16string normal = folder + u"\\btn_normal.png";
  const std::u16string over = folder + u"\\btn_over.png";
  ASSERT_TRUE(Sys().files->WriteFile(
      normal, std::string(reinterpret_cast<const char*>(testing::kPng4x3Alpha), sizeof(testing::kPng4x3Alpha))));
  ASSERT_TRUE(Sys().files->WriteFile(over, "not a png"));
  TVuxoButton button;
  button.SetSkinName(u"btn");
  std::u16string error;
  EXPECT_FALSE(button.SkinChange(folder, &error));  // the over file exists but does not decode
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(button.PictureNormal().Width(), 4);
  EXPECT_FALSE(button.Picture().HasGraphic());
  ::DeleteFileW(Wide(over));
  EXPECT_TRUE(button.SkinChange(folder, &error));
  EXPECT_EQ(button.Picture().Width(), 4);
  EXPECT_EQ(button.Picture().Height(), 3);
  EXPECT_TRUE(button.Picture().GetGraphic()->SupportsPartialTransparency());
  ::DeleteFileW(Wide(normal));
  ::RemoveDirectoryW(Wide(folder));
}

}  // namespace
}  // namespace vkr::win32
