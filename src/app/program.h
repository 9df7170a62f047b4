// The program's start-up sequence and run-mode selection, run by the composition root once the
// system layer is installed.
#pragma once

#include <string>

namespace vkr {

inline constexpr char16_t kMissingSkinText[] = u"您的资源缺失，请下载新的程序或联系Velqo客服，谢谢！";
inline constexpr char16_t kMissingSkinCaption[] = u"错误";

// True when the first parameter, lower-cased, is exactly "/uninst".
bool HasUninstallSwitch();
// Starts vkrAnimate.exe from DataDir through the shell when the file exists.
void StartAnimateCompanion();
// Starts the companion, then tests for the login skin; shows the missing-skin box and returns
// false when it is absent.
bool CheckStartupResources();

// The whole life of the process after the system is installed: initialisation, the run mode,
// the message loop and the end. Returns the process exit code.
int RunProgram();

}  // namespace vkr
