// Popup menus.
#pragma once

#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/types.h"

namespace vkr {

struct MenuItem {
  // Non-zero; returned when the item is chosen.
  int id = 0;
  std::u16string caption;
  bool checked = false;
};

// Abstract so that tests can choose an item and read back what was shown.
class Menus {
 public:
  virtual ~Menus() = default;

  // Shows a popup menu of `items` with its top-left corner at `screen` for `owner`, and waits
  // until it closes (TrackPopupMenu returning the command). Returns the chosen item's id, or 0
  // when the menu was dismissed or could not be shown. GUI thread.
  virtual int TrackPopup(WindowHandle owner, const std::vector<MenuItem>& items, Point screen) = 0;
};

}  // namespace vkr
