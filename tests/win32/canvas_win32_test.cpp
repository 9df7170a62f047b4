// Pictures decoded by the system's imaging and drawn by the GDI canvas: sizes, per-pixel alpha
// before and after drawing, JPEG colours, refused data, text.
#include "platform/win32/canvas_win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "win32/picture_fixtures.h"

namespace vkr::win32 {
namespace {

std::string Bytes(const unsigned char* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

struct Argb {
  int a, r, g, b;
};

Argb Split(std::uint32_t pixel) {
  return Argb{static_cast<int>(pixel >> 24), static_cast<int>((pixel >> 16) & 0xFF),
              static_cast<int>((pixel >> 8) & 0xFF), static_cast<int>(pixel & 0xFF)};
}

// Channels within a small tolerance (JPEG is lossy; blending rounds).
void ExpectNear(std::uint32_t pixel, Argb expected, int tolerance) {
  Argb actual = Split(pixel);
  EXPECT_LE(std::abs(actual.a - expected.a), tolerance) << std::hex << pixel;
  EXPECT_LE(std::abs(actual.r - expected.r), tolerance) << std::hex << pixel;
  EXPECT_LE(std::abs(actual.g - expected.g), tolerance) << std::hex << pixel;
  EXPECT_LE(std::abs(actual.b - expected.b), tolerance) << std::hex << pixel;
}

TEST(CanvasWin32Test, APngWithAlphaDecodesToItsSizeAndPremultipliedPixels) {
  Win32Graphics graphics;
  std::u16string error;
  auto graphic =
      graphics.Decode(GraphicKind::kPng, Bytes(testing::kPng4x3Alpha, sizeof(testing::kPng4x3Alpha)), &error);
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->Kind(), GraphicKind::kPng);
  EXPECT_EQ(graphic->Width(), 4);
  EXPECT_EQ(graphic->Height(), 3);
  EXPECT_TRUE(graphic->SupportsPartialTransparency());
  auto* dib = dynamic_cast<DibGraphic*>(graphic.get());
  ASSERT_NE(dib, nullptr);
  ExpectNear(dib->PixelAt(0, 0), Argb{255, 255, 0, 0}, 0);
  ExpectNear(dib->PixelAt(1, 0), Argb{128, 0, 128, 0}, 1);  // green at half alpha, premultiplied
  ExpectNear(dib->PixelAt(2, 0), Argb{0, 0, 0, 0}, 0);
  ExpectNear(dib->PixelAt(3, 0), Argb{255, 0, 0, 255}, 0);
  ExpectNear(dib->PixelAt(2, 1), Argb{64, 64, 0, 0}, 1);
  ExpectNear(dib->PixelAt(3, 2), Argb{255, 100, 110, 120}, 0);
}

TEST(CanvasWin32Test, AlphaSurvivesDrawingOverABackground) {
  Win32Graphics graphics;
  std::u16string error;
  auto png = graphics.Decode(GraphicKind::kPng, Bytes(testing::kPng4x3Alpha, sizeof(testing::kPng4x3Alpha)), &error);
  ASSERT_NE(png, nullptr);
  auto target = graphics.CreateBitmap(8, 6);
  ASSERT_NE(target, nullptr);
  Canvas* canvas = target->BitmapCanvas();
  ASSERT_NE(canvas, nullptr);
  canvas->FillRect(Rect{0, 0, 8, 6}, kWhite);
  canvas->Draw(1, 1, *png);
  auto* dib = dynamic_cast<DibGraphic*>(target.get());
  ExpectNear(dib->PixelAt(0, 0) | 0xFF000000u, Argb{255, 255, 255, 255}, 0);  // outside the picture
  ExpectNear(dib->PixelAt(1, 1) | 0xFF000000u, Argb{255, 255, 0, 0}, 1);
  ExpectNear(dib->PixelAt(2, 1) | 0xFF000000u, Argb{255, 127, 255, 127}, 2);  // half green over white
  ExpectNear(dib->PixelAt(3, 1) | 0xFF000000u, Argb{255, 255, 255, 255}, 1);  // transparent: white shows
  ExpectNear(dib->PixelAt(3, 2) | 0xFF000000u, Argb{255, 255, 191, 191}, 2);  // quarter red over white

  // Scaled twice the size, the fully transparent pixel still shows the background.
  canvas->FillRect(Rect{0, 0, 8, 6}, kBlack);
  canvas->StretchDraw(Rect{0, 0, 8, 6}, *png);
  ExpectNear(dib->PixelAt(0, 0) | 0xFF000000u, Argb{255, 255, 0, 0}, 1);
  ExpectNear(dib->PixelAt(4, 0) | 0xFF000000u, Argb{255, 0, 0, 0}, 1);
}

TEST(CanvasWin32Test, AJpegDecodesOpaqueToItsSizeAndColour) {
  Win32Graphics graphics;
  std::u16string error;
  auto jpeg = graphics.Decode(GraphicKind::kJpeg, Bytes(testing::kJpeg16x8, sizeof(testing::kJpeg16x8)), &error);
  ASSERT_NE(jpeg, nullptr) << std::string(error.begin(), error.end());
  EXPECT_EQ(jpeg->Width(), 16);
  EXPECT_EQ(jpeg->Height(), 8);
  EXPECT_FALSE(jpeg->SupportsPartialTransparency());
  auto* dib = dynamic_cast<DibGraphic*>(jpeg.get());
  ExpectNear(dib->PixelAt(0, 0), Argb{255, 200, 40, 60}, 4);
  ExpectNear(dib->PixelAt(15, 7), Argb{255, 200, 40, 60}, 4);
}

TEST(CanvasWin32Test, DataOfAnotherFormatOrNoPictureIsRefusedWithAReason) {
  Win32Graphics graphics;
  struct Row {
    GraphicKind format;
    std::string bytes;
  } rows[] = {
      {GraphicKind::kJpeg, Bytes(testing::kPng4x3Alpha, sizeof(testing::kPng4x3Alpha))},
      {GraphicKind::kPng, Bytes(testing::kJpeg16x8, sizeof(testing::kJpeg16x8))},
      {GraphicKind::kPng, "not a picture at all"},
      {GraphicKind::kPng, Bytes(testing::kPng4x3Alpha, 40)},  // cut short
      {GraphicKind::kPng, ""},
      {GraphicKind::kMetafile, "x"},
  };
  for (const Row& row : rows) {
    std::u16string error;
    EXPECT_EQ(graphics.Decode(row.format, row.bytes, &error), nullptr) << row.bytes.size();
    EXPECT_FALSE(error.empty());
  }
}

// A picture decoded ahead is the picture Decode would make, error included; each one asked for
// ahead is taken once, and bytes never asked for are decoded as usual.
TEST(CanvasWin32Test, PicturesDecodedAheadAreThoseDecodeMakes) {
  const std::string png = Bytes(testing::kPng4x3Alpha, sizeof(testing::kPng4x3Alpha));
  const std::string jpeg = Bytes(testing::kJpeg16x8, sizeof(testing::kJpeg16x8));
  Win32Graphics reference;
  std::u16string reference_error;
  const auto expected_png = reference.Decode(GraphicKind::kPng, png, &reference_error);
  ASSERT_NE(expected_png, nullptr);
  ASSERT_EQ(reference.Decode(GraphicKind::kPng, "not a picture", &reference_error), nullptr);

  Win32Graphics graphics;
  graphics.Prefetch(GraphicKind::kPng, png);
  graphics.Prefetch(GraphicKind::kPng, "not a picture");
  graphics.Prefetch(GraphicKind::kPng, png);
  for (int round = 0; round < 3; ++round) {
    std::u16string error;
    const auto decoded = graphics.Decode(GraphicKind::kPng, png, &error);
    ASSERT_NE(decoded, nullptr) << round;
    auto* dib = dynamic_cast<DibGraphic*>(decoded.get());
    auto* expected = dynamic_cast<DibGraphic*>(expected_png.get());
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->Width(), 4);
    EXPECT_EQ(dib->Height(), 3);
    EXPECT_EQ(dib->SupportsPartialTransparency(), expected->SupportsPartialTransparency());
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 4; ++x) EXPECT_EQ(dib->PixelAt(x, y), expected->PixelAt(x, y)) << x << "," << y;
    }
  }
  std::u16string error;
  EXPECT_EQ(graphics.Decode(GraphicKind::kPng, "not a picture", &error), nullptr);
  EXPECT_EQ(error, reference_error);
  // The same bytes as another format were never asked for ahead.
  EXPECT_EQ(graphics.Decode(GraphicKind::kJpeg, png, &error), nullptr);
  EXPECT_NE(graphics.Decode(GraphicKind::kJpeg, jpeg, &error), nullptr);
}

// The graphics object may go while its worker still decodes: the worker keeps what it needs.
TEST(CanvasWin32Test, GraphicsMayGoWhileDecodingAhead) {
  const std::string jpeg = Bytes(testing::kJpeg16x8, sizeof(testing::kJpeg16x8));
  for (int i = 0; i < 20; ++i) {
    auto graphics = std::make_unique<Win32Graphics>();
    for (int j = 0; j < 5; ++j) graphics->Prefetch(GraphicKind::kJpeg, jpeg);
    graphics.reset();
  }
  Win32Graphics graphics;
  std::u16string error;
  graphics.Prefetch(GraphicKind::kJpeg, jpeg);
  EXPECT_NE(graphics.Decode(GraphicKind::kJpeg, jpeg, &error), nullptr);
}

TEST(CanvasWin32Test, ACloneIsIndependentAndKeepsTheFlags) {
  Win32Graphics graphics;
  auto bitmap = graphics.CreateBitmap(3, 3);
  ASSERT_NE(bitmap, nullptr);
  bitmap->SetTransparent(true);
  bitmap->BitmapCanvas()->FillRect(Rect{0, 0, 3, 3}, RgbColor(10, 20, 30));
  auto copy = bitmap->Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->Transparent());
  bitmap->BitmapCanvas()->FillRect(Rect{0, 0, 3, 3}, kWhite);
  EXPECT_EQ(dynamic_cast<DibGraphic*>(copy.get())->PixelAt(1, 1) & 0xFFFFFFu, 0x0A141Eu);
  EXPECT_EQ(dynamic_cast<DibGraphic*>(bitmap.get())->PixelAt(1, 1) & 0xFFFFFFu, 0xFFFFFFu);
  EXPECT_EQ(graphics.CreateBitmap(0, 5), nullptr);
}

TEST(CanvasWin32Test, TextIsMeasuredAndDrawnInsideTheViewport) {
  Win32Graphics graphics;
  Font font;
  font.height = 13;
  Size size = graphics.MeasureText(font, u"Velqo");
  EXPECT_GT(size.width, 10);
  EXPECT_GE(size.height, 13);
  EXPECT_GT(graphics.MeasureText(font, u"VelqoVelqo").width, size.width);

  auto bitmap = graphics.CreateBitmap(60, 20);
  Canvas* canvas = bitmap->BitmapCanvas();
  canvas->FillRect(Rect{0, 0, 60, 20}, kWhite);
  font.color = kBlack;
  canvas->SetFont(font);
  EXPECT_EQ(canvas->TextExtent(u"Velqo"), size);
  canvas->SetBrush(BrushStyle::kClear, kWhite);
  canvas->SetViewport(Rect{30, 0, 60, 20});
  canvas->DrawTextAt(0, 0, u"WWWWWWWWWW");
  canvas->ResetViewport();
  auto* dib = dynamic_cast<DibGraphic*>(bitmap.get());
  bool left_untouched = true, right_drawn = false;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 60; ++x) {
      bool dark = (dib->PixelAt(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
      if (x < 30 && dark) left_untouched = false;
      if (x >= 30 && dark) right_drawn = true;
    }
  }
  EXPECT_TRUE(left_untouched);
  EXPECT_TRUE(right_drawn);
}

}  // namespace
}  // namespace vkr::win32
