#include "form_test_support.h"

#include <gtest/gtest.h>

#include "common/public_unit.h"
#include "common/text.h"
#include "fakes/fake_graphics.h"
#include "platform/win_constants.h"

namespace vkr::testing {

void PaintAndDeliver(FakeSystem& system, WindowHandle window) {
  FakeCanvas canvas;
  system.windows.Paint(window, canvas);
  system.windows.DeliverPosted();
}

void PutFormPictures(FakeSystem& system) {
  const struct {
    const char16_t* name;
    int width;
    int height;
  } login[] = {{u"HOMEPAGE", 127, 48}, {u"PAY", 129, 48}, {u"SERVICE", 125, 48},
               {u"BBS", 127, 48},      {u"MIN", 16, 15},  {u"CLOSE", 20, 19}};
  for (const auto& p : login) {
    for (const char16_t* face : {u"_NORMAL", u"_OVER"}) {
      const std::u16string name = std::u16string(u"LOGIN_") + p.name + face;
      system.resources.data[name] = FakeGraphics::Encode(GraphicKind::kJpeg, p.width, p.height, ToUtf8(name));
    }
  }
  const struct {
    const char16_t* name;
    int width;
    int height;
  } game[] = {{u"CLOSE_NORMAL", 29, 24},
              {u"CLOSE_OVER", 29, 24},
              {u"MAX_NORMAL", 28, 24},
              {u"MAX_OVER", 28, 24},
              {u"MAX_CHECK_NORMAL", 28, 24},
              {u"MAX_CHECK_OVER", 28, 24},
              {u"MAX_CHECK_DOWN", 28, 24},
              {u"MIN_NORMAL", 27, 24},
              {u"MIN_OVER", 27, 24},
              {u"SETTING_NORMAL", 60, 24},
              {u"SETTING_OVER", 60, 24},
              {u"BBS_NORMAL", 57, 24},
              {u"BBS_OVER", 57, 24},
              {u"HOMEPAGE_NORMAL", 57, 24},
              {u"HOMEPAGE_OVER", 57, 24},
              {u"PAY_NORMAL", 60, 24},
              {u"PAY_OVER", 60, 24},
              {u"SERVICE_NORMAL", 60, 24},
              {u"SERVICE_OVER", 60, 24},
              {u"BOSSKEY_NORMAL", 29, 24},
              {u"BOSSKEY_OVER", 29, 24},
              {u"TITLE_BACK", 1500, 47},
              {u"LOGO", 43, 42},
              {u"FOOT", 712, 11}};
  for (const auto& p : game) {
    const std::u16string name = std::u16string(u"GAME_") + p.name;
    system.resources.data[name] = FakeGraphics::Encode(GraphicKind::kPng, p.width, p.height, ToUtf8(name), true);
  }
  system.files.PutFile(GetLoginSkinPath(), FakeGraphics::Encode(GraphicKind::kPng, 888, 566, "skin"));
}

std::u16string LastIeUrl(const FakeSystem& system) {
  if (system.shell.executions.empty()) return u"";
  const std::u16string& parameters = system.shell.executions.back().parameters;
  if (parameters.size() < 2) return parameters;
  return parameters.substr(1, parameters.size() - 2);
}

void ExpectTrayIconAdded(const FakeSystem& system, WindowHandle window, std::uint32_t callback_message) {
  ASSERT_EQ(system.tray.calls.size(), 1u);
  EXPECT_EQ(system.tray.calls[0].action, win::NIM_ADD);
  const TrayRecord& record = system.tray.calls[0].record;
  EXPECT_EQ(record.size, 88u);
  EXPECT_EQ(record.window, window);
  EXPECT_EQ(record.id, 0u);
  EXPECT_EQ(record.flags, 7u);
  EXPECT_EQ(record.callback_message, callback_message);
  EXPECT_TRUE(record.application_icon);
  EXPECT_EQ(record.tip, u"单击左键或右键");
}

void ExpectEachOpensItsAddress(FakeSystem& system, WindowHandle owner, const std::vector<ButtonAddress>& rows) {
  for (const ButtonAddress& row : rows) {
    system.shell.executions.clear();
    row.click();
    ASSERT_EQ(system.shell.executions.size(), 1u) << row.button;
    EXPECT_EQ(system.shell.executions[0].file, u"IExplore.EXE") << row.button;
    EXPECT_EQ(system.shell.executions[0].owner, owner) << row.button;
    EXPECT_EQ(LastIeUrl(system), row.url) << row.button;
  }
}

}  // namespace vkr::testing
