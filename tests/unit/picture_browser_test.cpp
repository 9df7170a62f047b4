#include <gtest/gtest.h>

#include "common/text.h"
#include "controls/picture.h"
#include "fakes/fake_system.h"
#include "platform/browser.h"

namespace vkr {
namespace {

using testing::FakeGraphic;
using testing::FakeGraphics;
using testing::FakeSystem;

TEST(PictureTest, TheExtensionChoosesTheFormat) {
  struct Row {
    const char16_t* path;
    bool known;
    GraphicKind kind;
  } rows[] = {{u"C:\\a\\b.png", true, GraphicKind::kPng},
              {u"C:\\a\\B.PNG", true, GraphicKind::kPng},
              {u"x.jpg", true, GraphicKind::kJpeg},
              {u"x.JPEG", true, GraphicKind::kJpeg},
              {u"x.bmp", true, GraphicKind::kBitmap},
              {u"x.ico", true, GraphicKind::kIcon},
              {u"x.emf", true, GraphicKind::kMetafile},
              {u"x.gif", false, GraphicKind::kPng},
              {u"C:\\dir.png\\file", false, GraphicKind::kPng},
              {u"noext", false, GraphicKind::kPng}};
  for (const Row& row : rows) {
    GraphicKind kind = GraphicKind::kPng;
    EXPECT_EQ(GraphicKindForFile(row.path, &kind), row.known) << ToUtf8(row.path);
    if (row.known) {
      EXPECT_EQ(kind, row.kind) << ToUtf8(row.path);
    }
  }
}

TEST(PictureTest, LoadFromFileDecodesAndNotifies) {
  FakeSystem system;
  system.files.PutFile(u"C:\\p\\a.png", FakeGraphics::Encode(GraphicKind::kPng, 28, 24, "a", true));
  Picture picture;
  int changes = 0;
  picture.SetOnChange([&] { ++changes; });
  std::u16string error;
  ASSERT_TRUE(picture.LoadFromFile(u"C:\\p\\a.png", &error));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(picture.Width(), 28);
  EXPECT_EQ(picture.Height(), 24);
  EXPECT_TRUE(picture.GetGraphic()->SupportsPartialTransparency());
}

TEST(PictureTest, AFailedLoadKeepsTheContentAndSaysWhy) {
  FakeSystem system;
  system.files.PutFile(u"C:\\p\\bad.png", "garbage");
  system.files.PutFile(u"C:\\p\\really_a_jpeg.png", FakeGraphics::Encode(GraphicKind::kJpeg, 5, 5));
  system.files.PutFile(u"C:\\p\\a.gif", "GIF89a");
  Picture picture;
  picture.SetGraphic(std::make_unique<FakeGraphic>(GraphicKind::kPng, 3, 3, "old"));
  int changes = 0;
  picture.SetOnChange([&] { ++changes; });
  for (const char16_t* path : {u"C:\\p\\bad.png", u"C:\\p\\really_a_jpeg.png", u"C:\\p\\missing.png"}) {
    std::u16string error;
    EXPECT_FALSE(picture.LoadFromFile(path, &error)) << ToUtf8(path);
    EXPECT_FALSE(error.empty());
  }
  std::u16string error;
  EXPECT_FALSE(picture.LoadFromFile(u"C:\\p\\a.gif", &error));
  EXPECT_EQ(error, u"Unknown picture file extension (.gif)");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(dynamic_cast<FakeGraphic*>(picture.GetGraphic())->label(), "old");
}

TEST(PictureTest, CopiesAreIndependentAndKeepTheirOwnHandlers) {
  FakeSystem system;
  Picture a;
  a.SetGraphic(std::make_unique<FakeGraphic>(GraphicKind::kPng, 3, 4, "a"));
  a.GetGraphic()->SetTransparent(true);
  Picture b;
  int b_changes = 0;
  b.SetOnChange([&] { ++b_changes; });
  b = a;
  EXPECT_EQ(b_changes, 1);
  ASSERT_NE(b.GetGraphic(), a.GetGraphic());
  EXPECT_TRUE(b.GetGraphic()->Transparent());
  a.Clear();
  EXPECT_TRUE(b.HasGraphic());
  EXPECT_EQ(b.Width(), 3);
  b.Assign(a);
  EXPECT_FALSE(b.HasGraphic());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b_changes, 2);
}

TEST(PictureTest, MovingTakesTheGraphicAndKeepsEachPicturesHandler) {
  FakeSystem system;
  Picture a;
  int a_changes = 0;
  a.SetOnChange([&] { ++a_changes; });
  a.SetGraphic(std::make_unique<FakeGraphic>(GraphicKind::kPng, 3, 4, "a"));
  Picture b;
  int b_changes = 0;
  b.SetOnChange([&] { ++b_changes; });
  b = std::move(a);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_FALSE(a.HasGraphic());  // NOLINT(bugprone-use-after-move): the moved-from picture is empty
  EXPECT_EQ(a_changes, 2);
  EXPECT_EQ(b_changes, 1);
  Picture c(std::move(b));
  EXPECT_EQ(c.Height(), 4);
  EXPECT_EQ(b_changes, 2);
}

TEST(BrowserSettingsTest, OnlyCtrlAloneWithNIsTheSwallowedShortcut) {
  constexpr std::uint32_t kKeyDown = 0x0100, kKeyUp = 0x0101, kChar = 0x0102;
  EXPECT_TRUE(IsCtrlNShortcut(kKeyDown, 'N', true, false, false));
  EXPECT_FALSE(IsCtrlNShortcut(kKeyDown, 'N', true, true, false));
  EXPECT_FALSE(IsCtrlNShortcut(kKeyDown, 'N', true, false, true));
  EXPECT_FALSE(IsCtrlNShortcut(kKeyDown, 'N', false, false, false));
  EXPECT_FALSE(IsCtrlNShortcut(kKeyDown, 'M', true, false, false));
  EXPECT_FALSE(IsCtrlNShortcut(kKeyUp, 'N', true, false, false));
  EXPECT_FALSE(IsCtrlNShortcut(kChar, 0x0E, true, false, false));
}

}  // namespace
}  // namespace vkr
