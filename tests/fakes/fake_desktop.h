#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fakes/fake_files.h"
#include "platform/desktop.h"

namespace vkr::testing {

// A Linux desktop's places in the fake file system, its other running copies from a list that
// termination empties (through the fake processes' record), and every address it was asked to
// open.
class FakeDesktop : public Desktop {
 public:
  // Gives the fake file system the root of the desktop's paths.
  explicit FakeDesktop(FakeFiles& files) : files_(files) { files_.PutDirectory(u"/"); }

  std::u16string DataDir() override;
  std::u16string LoginSkinPath() override { return login_skin_path; }
  void OpenUrl(WindowHandle owner, const std::u16string& url) override { opened.push_back({owner, url}); }
  bool SelfUpdates() override { return self_updates; }
  std::u16string AutostartEntryPath() override { return autostart_entry_path; }
  std::vector<std::u16string> BrowserDataFolders() override { return browser_data_folders; }
  std::vector<std::uint32_t> OtherCopies() override;

  static constexpr char16_t kDataDir[] = u"/home/player/.local/share/velqo/vkr/";
  static constexpr char16_t kAutostartEntry[] = u"/home/player/.config/autostart/vkr.desktop";
  static constexpr char16_t kWebData[] = u"/home/player/.local/share/velqo/vkr/web";
  static constexpr char16_t kWebCache[] = u"/home/player/.cache/velqo/vkr";

  std::u16string data_dir = kDataDir;
  std::u16string login_skin_path = u"/usr/share/vkr/Skin/loginBack.png";
  std::u16string autostart_entry_path = kAutostartEntry;
  std::vector<std::u16string> browser_data_folders = {kWebData, kWebCache};
  bool self_updates = false;
  // The other copies; OtherCopies() leaves out those the fake processes have terminated, unless
  // they are in `unkillable`.
  std::vector<std::uint32_t> other_copies;
  const std::vector<std::uint32_t>* terminated = nullptr;
  std::vector<std::uint32_t> unkillable;
  int data_dir_calls = 0;
  int other_copy_lists = 0;

  struct Opened {
    WindowHandle owner;
    std::u16string url;
  };
  std::vector<Opened> opened;

 private:
  FakeFiles& files_;
};

}  // namespace vkr::testing
