#include "app/program.h"

#include "common/command_line.h"
#include "common/public_config.h"
#include "common/public_unit.h"
#include "login/form_login.h"
#include "platform/system.h"
#include "platform/win_constants.h"
#include "statistics/statistics.h"
#include "uninstall/un_install.h"
#include "uninstall/un_install_desktop.h"

namespace vkr {

bool HasUninstallSwitch() { return FirstParameterLowered() == kUninstallSwitch; }

void StartAnimateCompanion() {
  const std::u16string path = GetAnimatePath();
  if (Sys().files->FileExists(path)) {
    Sys().shell->Execute(kNoWindow, u"", path, u"", u"", win::SW_SHOWNORMAL);
  }
}

bool CheckStartupResources() {
  StartAnimateCompanion();
  if (Sys().files->FileExists(GetLoginSkinPath())) return true;
  Sys().ui->MessageBox(kNoWindow, kMissingSkinText, kMissingSkinCaption, win::MB_ICONERROR);
  return false;
}

int RunProgram() {
  // Initialisation: the configuration first (which creates DataDir in every run mode).
  LoadConfig();
  CreateStatisticsManager();

  if (HasUninstallSwitch()) {
    // Where a package manager owns the program's files, only what the launcher wrote goes.
    Sys().desktop ? RunDesktopUninstall() : RunUninstall();
  } else if (StatisticsManager()->CheckSendSetupStatistics()) {
    // The setup report has been sent; the process ends without a window.
  } else if (CheckStartupResources()) {
    PrefetchLoginPictures();
    Sys().ui->StartGui();
    CreateLoginWindow();
  }

  // Without a main window the loop returns at once.
  Sys().ui->RunMessageLoop();
  ReleaseLoginWindow();
  ReleaseStatisticsManager();
  return 0;
}

}  // namespace vkr
