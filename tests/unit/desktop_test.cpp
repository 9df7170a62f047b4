// The desktop seam: where an edition installs its own conventions, the shared helpers follow them
// instead of the Windows shell's, and the launcher neither updates itself nor starts its worker.
#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/public_config.h"
#include "common/public_unit.h"
#include "fakes/fake_system.h"
#include "login/updata_thread.h"

namespace vkr {
namespace {

using testing::FakeSystem;

class RecordingDesktop : public Desktop {
 public:
  std::u16string DataDir() override {
    ++data_dir_calls;
    return u"/home/player/.local/share/velqo/vkr/";
  }
  std::u16string LoginSkinPath() override { return u"/opt/vkr/Skin/loginBack.png"; }
  void OpenUrl(WindowHandle owner, const std::u16string& url) override { opened.push_back({owner, url}); }
  bool SelfUpdates() override { return self_updates; }

  struct Opened {
    WindowHandle owner;
    std::u16string url;
  };
  std::vector<Opened> opened;
  int data_dir_calls = 0;
  bool self_updates = false;
};

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() {
    System system_with_desktop = Sys();
    system_with_desktop.desktop = &desktop;
    InstallSystem(system_with_desktop);
  }
  FakeSystem system;
  RecordingDesktop desktop;
};

TEST_F(DesktopTest, PathsComeFromTheDesktopAndNotFromTheShell) {
  EXPECT_EQ(GetDataDir(), u"/home/player/.local/share/velqo/vkr/");
  EXPECT_EQ(GetConfigPath(), u"/home/player/.local/share/velqo/vkr/lander.ini");
  EXPECT_EQ(GetLoginSkinPath(), u"/opt/vkr/Skin/loginBack.png");
  // Nothing was created on the Windows side of the fakes.
  EXPECT_FALSE(system.files.DirectoryExists(FakeSystem::kDataDir));
}

TEST_F(DesktopTest, AddressesOpenThroughTheDesktopOnly) {
  OpenUrlInIE(77, PayUrl + u"&x=\"quoted\"");
  ASSERT_EQ(desktop.opened.size(), 1u);
  EXPECT_EQ(desktop.opened[0].owner, 77u);
  // The address goes as it is: the desktop passes it as one argument, no quoting needed.
  EXPECT_EQ(desktop.opened[0].url, PayUrl + u"&x=\"quoted\"");
  EXPECT_TRUE(system.shell.executions.empty());
}

TEST_F(DesktopTest, WithoutSelfUpdatesNothingIsDownloadedOrStarted) {
  system.http.Answer(AnimateIconDownloadUrl, 200, "MZ updater");
  UpgradeAnimateIcon();
  EXPECT_FALSE(TUpdataThread::Start([] {}));
  system.threads.RunAll();
  EXPECT_TRUE(system.http.requests.empty());
  EXPECT_TRUE(system.processes.started.empty());
  EXPECT_EQ(system.threads.started, 0);
}

TEST_F(DesktopTest, WithSelfUpdatesTheWorkerStartsAsOnWindows) {
  desktop.self_updates = true;
  EXPECT_TRUE(TUpdataThread::Start([] {}));
  EXPECT_EQ(system.threads.started, 1);
}

}  // namespace
}  // namespace vkr
