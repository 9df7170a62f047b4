// The notification-area (tray) icon.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace vkr {

// The fields of the NOTIFYICONDATAW record the launcher fills. The adapter passes a whole record
// with `size` in its cbSize field, so the system reads no further than the record goes.
struct TrayRecord {
  std::uint32_t size = 0;
  WindowHandle window = kNoWindow;
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::uint32_t callback_message = 0;
  // hIcon: the application's icon when true, none otherwise.
  bool application_icon = false;
  // szTip: at most 127 code units are kept, followed by zeros.
  std::u16string tip;
};

// Abstract so that tests can record the icon's records.
class Tray {
 public:
  virtual ~Tray() = default;

  // Shell_NotifyIconW with a win::NIM_* action. GUI thread. Returns the system's answer.
  virtual bool Notify(std::uint32_t action, const TrayRecord& record) = 0;
};

}  // namespace vkr
