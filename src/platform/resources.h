// The program's own embedded resources: the pictures of the windows' forms.
#pragma once

#include <string>

namespace vkr {

// Abstract so that tests can hand out resource bytes.
class Resources {
 public:
  virtual ~Resources() = default;

  // The bytes of the RCDATA resource of that name in the program file. False when there is none.
  // Any thread.
  virtual bool Load(const std::u16string& name, std::string* bytes) = 0;
};

}  // namespace vkr
